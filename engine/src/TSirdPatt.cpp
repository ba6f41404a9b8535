#include "engine/TSirdPatt.h"

#include "engine/PatternDirs.h"
#include "platform/Window.h"

#include "pictrans/TGifIntf.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace engine {

TSirdPatt::TSirdPatt(platform::Window* owner, std::string directory, int selection)
    : owner_(owner), directory_(std::move(directory)), selection_(selection), initialSelection_(selection)
{
}

TSirdPatt::~TSirdPatt()
{
    if (head_) {
        head_->DeleteAfter();
        delete head_;
    }
}

int TSirdPatt::AddFromFile(const std::string& fileName)
{
    if (fileName.empty())
        return 0;
    std::string path = fileName.front() == '/' || directory_.empty() ? fileName : JoinPath(directory_, fileName);
    // The reader gets neither a status window nor an owner: patterns load
    // quietly, and the start-up loader's own status text stays on show
    // instead of the reader's per-file progress.
    TGifIntf reader(nullptr, nullptr);
    reader.quiet = 1;
    std::unique_ptr<platform::Bitmap> bitmap = reader.ReadFile(path);
    if (!bitmap)
        return 0;
    return Append(std::move(bitmap), reader.TakePalette());
}

int TSirdPatt::Append(std::unique_ptr<platform::Bitmap> bitmap, std::unique_ptr<platform::Palette> palette)
{
    if (!bitmap)
        return 0;
    auto* node = new TPattObj(std::move(bitmap), std::move(palette));
    if (!head_) {
        head_ = node;
    } else {
        platform::TLinkObj* last = head_->GetLast();
        last->SetNext(node);
        node->SetPrev(last);
    }
    return 1;
}

void TSirdPatt::Select(int index)
{
    int count = GetCount();
    if (index < 0 || index >= count) {
        current_ = head_;
        return;
    }
    TPattObj* node = head_;
    for (int i = 0; i < index; ++i)
        node = node->NextPattern();
    current_ = node;
}

int TSirdPatt::GetSelection()
{
    int index = 0;
    if (current_) {
        for (TPattObj* node = head_; node && node != current_; node = node->NextPattern())
            ++index;
    }
    selection_ = index;
    return selection_;
}

int TSirdPatt::GetCount()
{
    int count = 0;
    for (TPattObj* node = head_; node; node = node->NextPattern())
        ++count;
    count_ = count;
    return count_;
}

const platform::Bitmap* TSirdPatt::GetBitmap() const
{
    return current_ ? current_->GetBitmap() : nullptr;
}

const platform::Palette* TSirdPatt::GetPalette() const
{
    return current_ ? current_->GetPalette() : nullptr;
}

const TPattObj* TSirdPatt::GetPattern(int index) const
{
    if (index < 0)
        return nullptr;
    TPattObj* node = head_;
    for (int i = 0; node && i < index; ++i)
        node = node->NextPattern();
    return node;
}

std::string PatternFileName(int number)
{
    return platform::format(number < 10 ? "pat0%d.gif" : "pat%d.gif", number);
}

std::unique_ptr<TSirdPatt> LoadPatterns(platform::Window* frame, const std::string& libraryDir,
                                        const std::vector<std::string>& searchDirs, int select, int count,
                                        PatternLoadObserver* observer)
{
    PatternLoadObserver quietObserver;
    PatternLoadObserver& report = observer ? *observer : quietObserver;
    count = std::clamp(count, kMinPatternFiles, kMaxPatternFiles);

    auto library = std::make_unique<TSirdPatt>(frame, libraryDir, select);
    bool failed = false;
    for (int i = 0; i < count; ++i) {
        report.StatusText(platform::format("Loading Pattern No. %d", i + 1));
        std::string name = PatternFileName(i);
        bool added = false;
        for (const auto& dir : searchDirs) {
            // Relative names would be taken inside the library's folder.
            std::error_code ec;
            const auto absolute = std::filesystem::absolute(JoinPath(dir, name), ec);
            if (library->AddFromFile(ec ? JoinPath(dir, name) : absolute.string())) {
                added = true;
                break;
            }
        }
        if (!added) {
            if (!failed)
                report.FirstFailure();
            failed = true;
            select = 0;
        }
        report.Progress((i + 1) * 100 / count);
    }
    library->Select(select);
    report.StatusText("");
    report.Progress(0);
    return library;
}

// A readable file that starts as a GIF does: what a pattern file is taken
// for without reading it.
static bool looksLikeGif(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char head[6] = {};
    const bool gif = std::fread(head, 1, sizeof head, f) == sizeof head &&
                     (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0);
    std::fclose(f);
    return gif;
}

std::unique_ptr<TSirdPatt> LoadChosenPattern(const std::string& libraryDir, const std::vector<std::string>& searchDirs,
                                             int select, int count, std::optional<int> chosen)
{
    const int numbers = std::clamp(count, kMinPatternFiles, kMaxPatternFiles);
    std::vector<std::string> found; // the file each number loads from, numbers without one left out
    bool missing = false;
    for (int i = 0; i < numbers; ++i) {
        const std::string name = PatternFileName(i);
        bool there = false;
        for (const auto& dir : searchDirs) {
            std::error_code ec;
            const std::string path = JoinPath(dir, name);
            const auto absolute = std::filesystem::absolute(path, ec);
            const std::string file = ec ? path : absolute.string();
            if (looksLikeGif(file)) {
                found.push_back(file);
                there = true;
                break;
            }
        }
        missing = missing || !there;
    }
    int index = chosen ? *chosen : (missing ? 0 : select);
    if (index < 0 || static_cast<std::size_t>(index) >= found.size())
        index = 0;
    auto library = std::make_unique<TSirdPatt>(nullptr, libraryDir, index);
    if (!found.empty() && library->AddFromFile(found[static_cast<std::size_t>(index)])) {
        library->Select(0);
        return library;
    }
    auto full = LoadPatterns(nullptr, libraryDir, searchDirs, select, count);
    if (chosen)
        full->Select(*chosen);
    return full;
}

} // namespace engine
