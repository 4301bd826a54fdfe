#pragma once

// What the link lamp stands for, in words other programs and screen readers can use.
enum class LinkState {
    Closed,    // the port is not open
    Waiting,   // open, no answer yet
    Answering, // the device answers
    NoAnswer,  // open, but the device stopped answering
};

inline const char* LinkStateName(LinkState state) {
    switch (state) {
    case LinkState::Closed:
        return "closed";
    case LinkState::Waiting:
        return "waiting";
    case LinkState::Answering:
        return "answering";
    case LinkState::NoAnswer:
        return "no answer";
    }
    return "closed";
}
