// Only the home of the test programs' precompiled header; they reuse it.
