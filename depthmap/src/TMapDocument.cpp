#include "depthmap/TMapDocument.h"

#include "platform/ByteReader.h"
#include "platform/FileIO.h"
#include "platform/Messages.h"

#include "RowFill.h"
#include "depthmap/MapRows.h"

#include <algorithm>
#include <cstring>

namespace depthmap {

namespace {

constexpr char kMagic[] = "DEPTHMAP";
constexpr std::size_t kMagicSize = 16;
constexpr std::uint8_t kVersion = 1;

const char kInvalidFile[] = "Invalid Depth Map file";

} // namespace

TMapDocument::TMapDocument(std::string_view title, std::int32_t width, std::int32_t height,
                           platform::Window* window, platform::Window* frame, MapView* view)
    : width_(std::clamp(width, 1, kMaxSide)), height_(std::clamp(height, 1, kMaxSide)),
      window_(window), frame_(frame), view_(view)
{
    SetFileName(title);
    makeBackground();
}

TMapDocument::~TMapDocument()
{
    clearStack();
}

void TMapDocument::makeBackground()
{
    top_ = new TDepthObj(view_, 0, 0, width_, height_, DepthKind::SquareBox, 0);
}

void TMapDocument::clearStack()
{
    if (top_) {
        top_->DeleteAfter();
        delete top_;
    }
    top_ = nullptr;
    selected_ = nullptr;
    moving_ = nullptr;
}

std::int32_t TMapDocument::LevelAt(std::int32_t x, std::int32_t y) const
{
    for (TDepthObj* o = top_; o; o = o->Next()) {
        if (o->Contains(x, y))
            return o->GetLevel();
    }
    return 0;
}

void TMapDocument::LevelRow(std::int32_t row, std::int32_t* out, std::int32_t n) const
{
    if (n <= 0)
        return;
    std::fill(out, out + n, 0);
    if (row < 0 || row >= height_)
        return;
    const std::int32_t cols = std::min(n, width_);
    thread_local RowFill fill;
    thread_local std::vector<platform::Span> spans;
    fill.reset(cols);
    // Top down: each column takes the level of the first object that claims it.
    for (TDepthObj* o = top_; o && fill.left() > 0; o = o->Next()) {
        const platform::Region& rgn = o->GetRegion();
        const platform::Rect& b = rgn.bounds();
        if (row < b.top || row >= b.bottom || b.right <= 0 || b.left >= cols)
            continue;
        spans.clear();
        rgn.rowSpans(row, spans);
        for (const platform::Span& s : spans) {
            const std::int32_t lo = std::max(s.begin, 0);
            const std::int32_t hi = std::min(s.end, cols);
            if (lo < hi)
                fill.fill(lo, hi, o->GetLevel(), out);
        }
    }
}

namespace {

// The work of one object's rows lo … hi (both included) with edges
// crossings each: each row of the map the box reaches works out those
// crossings, and each row of the bands of 64 rows it reaches looks at it.
std::int64_t rowWork(std::int64_t lo, std::int64_t hi, std::int32_t height, std::int64_t edges)
{
    lo = std::max<std::int64_t>(lo, 0);
    hi = std::min<std::int64_t>(hi, height - 1);
    if (hi < lo)
        return 0;
    constexpr std::int64_t band = MapRows::kBandRows;
    return (hi - lo + 1) * edges + (hi / band - lo / band + 1) * band;
}

// What making the rows of a map spends on one object (see DrawWork).
std::int64_t objectWork(const TDepthObj& o, std::int32_t height)
{
    switch (o.GetKind()) {
    case DepthKind::Polygon: {
        const auto v = o.GetVertices();
        if (v.size() < 3)
            return 0;
        std::int64_t lo = v[0].y, hi = v[0].y;
        for (const platform::Point& p : v) {
            lo = std::min<std::int64_t>(lo, p.y);
            hi = std::max<std::int64_t>(hi, p.y);
        }
        return rowWork(lo, hi, height, static_cast<std::int64_t>(v.size()));
    }
    case DepthKind::Line: {
        const platform::Rect r = o.NormalRect();
        return rowWork(r.top, std::int64_t{r.bottom} + 1, height, 4);
    }
    default: {
        const platform::Rect r = o.NormalRect();
        return rowWork(r.top, std::int64_t{r.bottom} - 1, height, 1);
    }
    }
}

} // namespace

std::int64_t TMapDocument::DrawWork() const
{
    std::int64_t work = 0;
    for (TDepthObj* o = top_; o; o = o->Next())
        work += objectWork(*o, height_);
    return work;
}

LevelRaster TMapDocument::Rasterise() const
{
    LevelRaster r;
    r.width = width_;
    r.height = height_;
    r.levels.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    const MapRows rows(*this);
    for (std::int32_t y = 0; y < height_; ++y)
        rows.levelRow(y, r.levels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_), width_);
    return r;
}

void TMapDocument::Prepare() const
{
    for (TDepthObj* o = top_; o; o = o->Next())
        o->GetRegion();
}

platform::BITMAP TMapDocument::GetMapInfo() const
{
    platform::BITMAP bm;
    bm.bmWidth = width_;
    bm.bmHeight = height_;
    bm.bmBitsPixel = 8;
    return bm;
}

std::int64_t TMapDocument::ImageSize() const
{
    return static_cast<std::int64_t>(platform::dibStride(width_, 8)) * height_;
}

int TMapDocument::ObjectCount() const
{
    int n = 0;
    for (TDepthObj* o = top_; o; o = o->Next())
        ++n;
    return n;
}

TDepthObj* TMapDocument::Background() const
{
    return top_ ? static_cast<TDepthObj*>(top_->GetLast()) : nullptr;
}

TDepthObj* TMapDocument::HitTest(std::int32_t x, std::int32_t y) const
{
    for (TDepthObj* o = top_; o; o = o->Next()) {
        if (o->Contains(x, y))
            return o;
    }
    return nullptr;
}

std::vector<std::uint8_t> TMapDocument::Serialise() const
{
    std::vector<std::uint8_t> out(kMagicSize, 0);
    std::memcpy(out.data(), kMagic, 8);
    out.push_back(kVersion);
    const auto count = static_cast<std::uint32_t>(ObjectCount());
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(count >> (8 * i)));
    for (TDepthObj* o = top_; o; o = o->Next())
        o->WriteRecord(out);
    return out;
}

bool TMapDocument::WriteFile(const std::string& path)
{
    SetFileName(path);
    const std::vector<std::uint8_t> bytes = Serialise();
    platform::SafeFile file(path);
    if (!file.open() || !file.write(bytes.data(), bytes.size()) || !file.commit())
        return false;
    saved_ = true;
    readFailed_ = false;
    return true;
}

bool TMapDocument::ReadFile(const std::string& path)
{
    platform::FileProblem problem = platform::FileProblem::None;
    auto bytes = platform::readWholeFile(path, kMaxFileSize, &problem);
    if (!bytes) {
        readFailed_ = true;
        // A file too large to be a map is refused with its reason; one that
        // cannot be opened is left to the caller's own message.
        if (problem == platform::FileProblem::TooLarge)
            platform::messageBox(window_, "Invalid Depth Map file: " + platform::describe(problem, kMaxFileSize),
                                 "Error", platform::MB_OK | platform::MB_ICONSTOP);
        return false;
    }
    return ReadBytes(*bytes);
}

bool TMapDocument::ReadBytes(std::span<const std::uint8_t> bytes)
{
    auto refuse = [&] {
        readFailed_ = true;
        platform::messageBox(window_, kInvalidFile, "Error", platform::MB_OK | platform::MB_ICONSTOP);
        return false;
    };
    platform::ByteReader in(bytes);
    char magic[kMagicSize];
    // Compared as a zero-terminated string: what follows the zero is free.
    if (!in.bytes(magic, kMagicSize) || std::memcmp(magic, kMagic, 9) != 0)
        return refuse();
    in.u8(); // version, not looked at
    const std::int32_t count = in.i32();
    if (!in.ok() || count < 1 || count > kMaxObjects ||
        static_cast<std::uint64_t>(count) > in.remaining() / TDepthObj::kMinRecordSize)
        return refuse();

    std::vector<std::unique_ptr<TDepthObj>> objs;
    objs.reserve(static_cast<std::size_t>(count));
    std::int64_t exactWorkLeft = kMaxExactWork;
    for (std::int32_t i = 0; i < count; ++i) {
        auto o = std::make_unique<TDepthObj>(view_, 0, 0, 0, 0, DepthKind::SquareBox, 0);
        if (!o->ReadRecord(in, exactWorkLeft))
            return refuse();
        objs.push_back(std::move(o));
    }
    // The last record is the background: it must be a box of a usable size,
    // since the map takes its size from it.
    const TDepthObj& bg = *objs.back();
    const std::int32_t w = bg.Width(), h = bg.Height();
    if (bg.GetKind() != DepthKind::SquareBox || w < 1 || h < 1 || w > kMaxSide || h > kMaxSide)
        return refuse();

    // Bounded work for whatever opens: a map whose rows would take too long
    // to draw is refused now, with the reason, not left to run for minutes.
    std::int64_t work = 0;
    for (const auto& o : objs)
        work += objectWork(*o, h);
    if (work > kMaxDrawWork) {
        readFailed_ = true;
        platform::messageBox(window_,
                             platform::format("Invalid Depth Map file: its %zu shapes would take too long to draw "
                                              "(%lld row crossings; at most %lld).",
                                              objs.size(), static_cast<long long>(work),
                                              static_cast<long long>(kMaxDrawWork)),
                             "Error", platform::MB_OK | platform::MB_ICONSTOP);
        return false;
    }

    clearStack();
    TDepthObj* above = nullptr;
    for (auto& up : objs) {
        TDepthObj* o = up.release();
        if (above) {
            above->SetNext(o);
            o->SetPrev(above);
        } else {
            top_ = o;
        }
        above = o;
    }
    width_ = w;
    height_ = h;
    saved_ = true;
    readFailed_ = false;
    if (view_)
        view_->invalidateRect({0, 0, width_, height_}, true);
    return true;
}

void TMapDocument::SetFileName(std::string_view path)
{
    std::size_t start = 0;
    for (std::size_t i = path.size(); i-- > 0;) {
        if (path[i] == '/' || (path[i] == '\\' && i > 0)) {
            start = i + 1;
            break;
        }
    }
    std::string name(path.substr(start));
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    // Cut at a character boundary, counting UTF-8 sequences as one character.
    std::size_t chars = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80) {
            if (chars == kMaxNameLength) {
                name.resize(i);
                break;
            }
            ++chars;
        }
    }
    name_ = std::move(name);
}

void TMapDocument::invalidate(TDepthObj* obj)
{
    if (obj)
        obj->InvalidateArea();
}

void TMapDocument::AddOnTop(std::unique_ptr<TDepthObj> obj)
{
    if (!obj)
        return;
    TDepthObj* o = obj.release();
    o->SetOwner(view_);
    o->SetPrev(nullptr);
    o->SetNext(top_);
    if (top_)
        top_->SetPrev(o);
    top_ = o;
    saved_ = false;
    MapEdit edit;
    edit.kind = EditKind::Add;
    edit.objectKind = o->GetKind();
    report(std::move(edit));
}

void TMapDocument::swapWithNext(TDepthObj* a)
{
    TDepthObj* b = a->Next();
    TDepthObj* above = a->Prev();
    TDepthObj* below = b->Next();
    if (above)
        above->SetNext(b);
    else
        top_ = b;
    b->SetPrev(above);
    b->SetNext(a);
    a->SetPrev(b);
    a->SetNext(below);
    if (below)
        below->SetPrev(a);
}

void TMapDocument::RaiseSelected()
{
    TDepthObj* s = selected_;
    if (!s || !s->Prev() || !s->Next())
        return;
    TDepthObj* above = s->Prev();
    MapEdit edit;
    edit.kind = EditKind::Raise;
    edit.index = IndexOf(above);
    edit.objectKind = s->GetKind();
    swapWithNext(above);
    invalidate(s);
    invalidate(above);
    saved_ = false;
    report(std::move(edit));
}

void TMapDocument::LowerSelected()
{
    TDepthObj* s = selected_;
    if (!s || !s->Next() || !s->Next()->Next())
        return;
    TDepthObj* below = s->Next();
    MapEdit edit;
    edit.kind = EditKind::Lower;
    edit.index = IndexOf(s);
    edit.objectKind = s->GetKind();
    swapWithNext(s);
    invalidate(s);
    invalidate(below);
    saved_ = false;
    report(std::move(edit));
}

void TMapDocument::DeleteSelected()
{
    TDepthObj* s = selected_;
    if (!s || !s->Next())
        return;
    MapEdit edit;
    edit.kind = EditKind::Delete;
    edit.index = IndexOf(s);
    edit.objectKind = s->GetKind();
    edit.object = takeAt(edit.index);
    // The area it leaves is repainted before it goes into the history.
    edit.object->InvalidateArea();
    selected_ = nullptr;
    saved_ = false;
    report(std::move(edit));
}

void TMapDocument::Select(TDepthObj* obj)
{
    TDepthObj* old = selected_;
    selected_ = obj;
    invalidate(old);
    invalidate(obj);
}

void TMapDocument::Paint(DrawSurface& dc) const
{
    for (TDepthObj* o = Background(); o; o = o->Prev())
        o->Draw(dc, o == selected_, true);
}

void TMapDocument::Paint(DrawSurface& dc, const platform::Rect& visible) const
{
    // An object draws within its corners' box, its label and handles a
    // little beyond.
    constexpr std::int64_t kMargin = 32;
    for (TDepthObj* o = Background(); o; o = o->Prev()) {
        const platform::Rect n = o->NormalRect();
        if (n.right + kMargin < visible.left || n.left - kMargin > visible.right ||
            n.bottom + kMargin < visible.top || n.top - kMargin > visible.bottom)
            continue;
        o->Draw(dc, o == selected_, true);
    }
}

bool TMapDocument::CanClose()
{
    if (!saved_ && !readFailed_) {
        const int answer = platform::messageBox(
            window_, platform::format("Save %s before closing?", name_.c_str()), "Confirm",
            platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION, platform::IDCANCEL);
        if (answer == platform::IDCANCEL)
            return false;
        if (answer == platform::IDYES) {
            platform::sendMessage(frame_, platform::WM_SAVEREQUEST, reinterpret_cast<std::uintptr_t>(window_));
            // A save that was cancelled or failed must not lose the map.
            if (!saved_)
                return false;
        }
    }
    platform::sendMessage(frame_, platform::WM_STATUSREFRESH);
    return true;
}

std::vector<std::string> TMapDocument::Describe() const
{
    std::vector<std::string> lines;
    lines.push_back(platform::format("Depth map %d x %d, %d object%s", width_, height_, ObjectCount(),
                                     ObjectCount() == 1 ? "" : "s"));
    for (TDepthObj* o = top_; o; o = o->Next()) {
        const platform::Rect c = o->GetCorners();
        std::string line = platform::format("%-9s level %3d  ", std::string(depthKindName(o->GetKind())).c_str(),
                                            o->GetLevel());
        if (o->GetKind() == DepthKind::Polygon)
            line += platform::format("%d vertices, box (%d, %d)-(%d, %d)", o->VertexCount(), c.left, c.top,
                                     c.right, c.bottom);
        else
            line += platform::format("corners (%d, %d)-(%d, %d)", c.left, c.top, c.right, c.bottom);
        if (!o->Next())
            line += "  background";
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace depthmap
