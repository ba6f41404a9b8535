#pragma once
// A node of a doubly linked list; the base of the depth objects and of the
// pattern list's entries. next points toward the bottom of a stack, prev
// toward its top.

namespace platform {

class TLinkObj {
public:
    TLinkObj() = default;
    TLinkObj(const TLinkObj&) = delete;
    TLinkObj& operator=(const TLinkObj&) = delete;
    // Touches no neighbour.
    virtual ~TLinkObj() = default;

    virtual void SetNext(TLinkObj* node) { next_ = node; }
    virtual void SetPrev(TLinkObj* node) { prev_ = node; }
    virtual TLinkObj* GetNext() const { return next_; }
    virtual TLinkObj* GetPrev() const { return prev_; }
    // The last node reached by following next links; this node when it has none.
    virtual TLinkObj* GetLast();
    // Deletes every node after this one, the farthest first.
    virtual void DeleteAfter();
    // Joins the two neighbours to each other; this node's own links stay.
    virtual void Unlink();

private:
    TLinkObj* next_ = nullptr;
    TLinkObj* prev_ = nullptr;
};

} // namespace platform
