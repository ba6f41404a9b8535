#include "platform/LinkObj.h"

#include <vector>

namespace platform {

TLinkObj* TLinkObj::GetLast()
{
    TLinkObj* node = this;
    while (TLinkObj* next = node->GetNext())
        node = next;
    return node;
}

void TLinkObj::DeleteAfter()
{
    // Farthest first, without recursion, so long lists cannot exhaust the stack.
    std::vector<TLinkObj*> nodes;
    for (TLinkObj* node = GetNext(); node; node = node->GetNext())
        nodes.push_back(node);
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it)
        delete *it;
    SetNext(nullptr);
}

void TLinkObj::Unlink()
{
    if (TLinkObj* next = GetNext())
        next->SetPrev(GetPrev());
    if (TLinkObj* prev = GetPrev())
        prev->SetNext(GetNext());
}

} // namespace platform
