#include "engine/TSirdPatt.h"

#include "engine/PatternDirs.h"
#include "platform/Window.h"

#include "pictrans/TGifIntf.h"
#include "pictrans/TGraphIO.h"

#include <algorithm>
#include <array>
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
    if (!path.ends_with(".gif")) {
        // Patterns added from true-colour pictures are kept as PNG.
        TGraphIO io(nullptr, nullptr);
        std::unique_ptr<platform::Bitmap> bitmap = io.Read_File(path);
        if (!bitmap)
            return 0;
        return Append(std::move(bitmap), io.GetPalette());
    }
    TGifIntf reader(nullptr, nullptr);
    reader.quiet = 1;
    std::unique_ptr<platform::Bitmap> bitmap = reader.ReadFile(path);
    if (!bitmap)
        return 0;
    return Append(std::move(bitmap), reader.TakePalette());
}

int TSirdPatt::RemoveLast()
{
    if (!head_)
        return 0;
    auto* last = static_cast<TPattObj*>(head_->GetLast());
    if (current_ == last)
        current_ = head_ == last ? nullptr : head_;
    if (last == head_) {
        head_ = nullptr;
    } else {
        last->GetPrev()->SetNext(nullptr);
        last->SetPrev(nullptr);
    }
    delete last;
    return 1;
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

std::string PatternFileName(int number, bool trueColour)
{
    return platform::format(number < 10 ? "pat0%d.%s" : "pat%d.%s", number, trueColour ? "png" : "gif");
}

// The files that may hold pattern number in dir: the GIF, then the PNG.
static std::array<std::string, 2> patternFiles(const std::string& dir, int number)
{
    std::array<std::string, 2> files;
    for (int i = 0; i < 2; ++i) {
        const std::string path = JoinPath(dir, PatternFileName(number, i == 1));
        // Relative names would be taken inside the library's folder.
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(path, ec);
        files[static_cast<std::size_t>(i)] = ec ? path : absolute.string();
    }
    return files;
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
        bool added = false;
        for (const auto& dir : searchDirs) {
            for (const std::string& file : patternFiles(dir, i)) {
                if (library->AddFromFile(file)) {
                    added = true;
                    break;
                }
            }
            if (added)
                break;
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

// A readable file that starts as a GIF (or, named .png, as a PNG) does:
// what a pattern file is taken for without reading it.
static bool looksLikePattern(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char head[8] = {};
    const bool read = std::fread(head, 1, sizeof head, f) == sizeof head;
    std::fclose(f);
    if (!read)
        return false;
    if (path.ends_with(".png"))
        return std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0;
    return std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0;
}

std::unique_ptr<TSirdPatt> LoadChosenPattern(const std::string& libraryDir, const std::vector<std::string>& searchDirs,
                                             int select, int count, std::optional<int> chosen)
{
    const int numbers = std::clamp(count, kMinPatternFiles, kMaxPatternFiles);
    std::vector<std::string> found; // the file each number loads from, numbers without one left out
    bool missing = false;
    for (int i = 0; i < numbers; ++i) {
        bool there = false;
        for (const auto& dir : searchDirs) {
            for (const std::string& file : patternFiles(dir, i)) {
                if (looksLikePattern(file)) {
                    found.push_back(file);
                    there = true;
                    break;
                }
            }
            if (there)
                break;
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
