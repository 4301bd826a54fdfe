// The remote page: a snapshot on connect, then changes, each with its origin.
"use strict";
