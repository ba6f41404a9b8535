#pragma once
// One change to the object stack of a depth map, described well enough to be
// taken back and made again: what the undo history of the map window holds.
//
// Positions count from the top of the stack (0 is the top). Every change of
// a map goes through the document, which describes it as an edit once it is
// made; replaying the edits backwards in order restores every earlier stack
// exactly, so the positions they name are always valid.

#include "depthmap/TDepthObj.h"

#include <cstdint>
#include <memory>

namespace depthmap {

enum class EditKind {
    Add,    // an object went on top of the stack
    Delete, // the object at `index` was taken out
    Raise,  // the objects at `index` and `index` + 1 changed places, the lower going up
    Lower,  // the same exchange, the upper going down
    Move,   // the object at `index` changed from `before` to `after`
    Level,  // the object at `index` changed from `oldLevel` to `newLevel`
};

struct MapEdit {
    EditKind kind = EditKind::Add;
    // Add: 0. Delete, Move, Level: the object's position. Raise and Lower:
    // the upper position of the pair exchanged.
    int index = 0;
    ObjectShape before;
    ObjectShape after;
    std::int32_t oldLevel = 0;
    std::int32_t newLevel = 0;
    // The kind of the object concerned, for the edit's name.
    DepthKind objectKind = DepthKind::SquareBox;
    // The object while it is out of the stack: an added object after the
    // edit was taken back, a deleted one while the deletion stands.
    std::unique_ptr<TDepthObj> object;
};

// The words that name an edit in the Edit menu ("Undo Add Box").
const char* EditName(const MapEdit& edit);

} // namespace depthmap
