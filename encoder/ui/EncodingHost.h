// What the encoding-progress window needs of the window that opened it: the
// window itself (owner of the destination questions, the one minimised and
// restored with it) and the call that tells it the batch window has gone,
// so that it takes back its controls.
#pragma once

class CWnd;

class CEncodingHost {
public:
    virtual ~CEncodingHost() = default;
    // The opening window; null when there is none.
    virtual CWnd* GetHostWindow() = 0;
    // The progress window is gone (called once, after its window was
    // destroyed and before the object is deleted).
    virtual void EndModalChild() = 0;
};
