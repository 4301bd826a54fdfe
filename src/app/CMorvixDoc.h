#pragma once

// The document has no content: the panel's state lives in the view and in set.ini. It exists so
// that "new" and "open" re-run the view's initial update as they always have.
class CMorvixDoc {
public:
    bool OnNewDocument() { return true; }
    // Any file opens as an empty document; nothing is read from it.
    bool OnOpenDocument(const char*) { return true; }
};
