// Changes of the object stack as edits: described when they are made, taken
// back and made again by the undo history.

#include "depthmap/TMapDocument.h"

namespace depthmap {

const char* EditName(const MapEdit& edit)
{
    switch (edit.kind) {
    case EditKind::Add:
        switch (edit.objectKind) {
        case DepthKind::Text: return "Add Text";
        case DepthKind::Line: return "Add Line";
        case DepthKind::Curve: return "Add Curve";
        case DepthKind::SquareBox: return "Add Box";
        case DepthKind::RoundBox: return "Add Round Box";
        case DepthKind::Polygon: return "Add Polygon";
        case DepthKind::Circle: return "Add Circle";
        }
        return "Add";
    case EditKind::Delete: return "Delete";
    case EditKind::Raise: return "Move Up";
    case EditKind::Lower: return "Move Down";
    case EditKind::Move: return "Move";
    case EditKind::Level: return "Set Level";
    }
    return "";
}

int TMapDocument::IndexOf(const TDepthObj* obj) const
{
    int i = 0;
    for (TDepthObj* o = top_; o; o = o->Next(), ++i) {
        if (o == obj)
            return i;
    }
    return -1;
}

TDepthObj* TMapDocument::ObjectAt(int index) const
{
    if (index < 0)
        return nullptr;
    TDepthObj* o = top_;
    for (int i = 0; o && i < index; ++i)
        o = o->Next();
    return o;
}

void TMapDocument::report(MapEdit edit)
{
    if (editSink_)
        editSink_(std::move(edit));
}

std::unique_ptr<TDepthObj> TMapDocument::takeAt(int index)
{
    TDepthObj* o = ObjectAt(index);
    // The background never leaves the stack.
    if (!o || !o->Next())
        return nullptr;
    if (o == top_)
        top_ = o->Next();
    o->Unlink();
    o->SetNext(nullptr);
    o->SetPrev(nullptr);
    if (selected_ == o)
        selected_ = nullptr;
    if (moving_ == o)
        moving_ = nullptr;
    return std::unique_ptr<TDepthObj>(o);
}

void TMapDocument::insertAt(int index, std::unique_ptr<TDepthObj> obj)
{
    if (!obj)
        return;
    TDepthObj* above = index > 0 ? ObjectAt(index - 1) : nullptr;
    // Nothing goes beneath the background.
    if (above && !above->Next())
        above = above->Prev();
    TDepthObj* o = obj.release();
    o->SetOwner(view_);
    TDepthObj* below = above ? above->Next() : top_;
    o->SetPrev(above);
    o->SetNext(below);
    if (below)
        below->SetPrev(o);
    if (above)
        above->SetNext(o);
    else
        top_ = o;
}

void TMapDocument::finishMove()
{
    TDepthObj* o = moving_;
    moving_ = nullptr;
    if (!o)
        return;
    MapEdit edit;
    edit.kind = EditKind::Move;
    edit.before = std::move(moveStart_);
    edit.after = o->GetShape();
    if (edit.before == edit.after) {
        // Dragged back to where it was: nothing changed.
        saved_ = savedBeforeMove_;
        return;
    }
    edit.index = IndexOf(o);
    edit.objectKind = o->GetKind();
    report(std::move(edit));
}

int TMapDocument::Undo(MapEdit& e)
{
    int at = -1;
    switch (e.kind) {
    case EditKind::Add:
        e.object = takeAt(0);
        break;
    case EditKind::Delete:
        insertAt(e.index, std::move(e.object));
        at = e.index;
        break;
    case EditKind::Raise:
        if (TDepthObj* o = ObjectAt(e.index); o && o->Next() && o->Next()->Next()) {
            swapWithNext(o);
            at = e.index + 1;
        }
        break;
    case EditKind::Lower:
        if (TDepthObj* o = ObjectAt(e.index); o && o->Next() && o->Next()->Next()) {
            swapWithNext(o);
            at = e.index;
        }
        break;
    case EditKind::Move:
        if (TDepthObj* o = ObjectAt(e.index)) {
            o->SetShape(e.before);
            at = e.index;
        }
        break;
    case EditKind::Level:
        if (TDepthObj* o = ObjectAt(e.index)) {
            o->SetLevel(e.oldLevel);
            at = e.index;
        }
        break;
    }
    selected_ = ObjectAt(at);
    saved_ = false;
    if (view_)
        view_->invalidateRect({0, 0, width_, height_}, true);
    return at;
}

int TMapDocument::Redo(MapEdit& e)
{
    int at = -1;
    switch (e.kind) {
    case EditKind::Add:
        insertAt(0, std::move(e.object));
        at = 0;
        break;
    case EditKind::Delete:
        e.object = takeAt(e.index);
        break;
    case EditKind::Raise:
        if (TDepthObj* o = ObjectAt(e.index); o && o->Next() && o->Next()->Next()) {
            swapWithNext(o);
            at = e.index;
        }
        break;
    case EditKind::Lower:
        if (TDepthObj* o = ObjectAt(e.index); o && o->Next() && o->Next()->Next()) {
            swapWithNext(o);
            at = e.index + 1;
        }
        break;
    case EditKind::Move:
        if (TDepthObj* o = ObjectAt(e.index)) {
            o->SetShape(e.after);
            at = e.index;
        }
        break;
    case EditKind::Level:
        if (TDepthObj* o = ObjectAt(e.index)) {
            o->SetLevel(e.newLevel);
            at = e.index;
        }
        break;
    }
    selected_ = ObjectAt(at);
    saved_ = false;
    if (view_)
        view_->invalidateRect({0, 0, width_, height_}, true);
    return at;
}

} // namespace depthmap
