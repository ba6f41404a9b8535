#pragma once
// The pattern library: every background pattern the program knows, in the
// order in which they were added, and the current one. Stereograms are woven
// from the current pattern's picture and take its palette.

#include "engine/TPattObj.h"

#include "platform/Bitmap.h"
#include "platform/Palette.h"
#include "platform/Window.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace engine {

class TSirdPatt {
public:
    // owner: the main frame, handed to the GIF reader (may be null).
    // directory: the folder that relative file names refer to and where
    // patterns cut from pictures are saved. selection: the index the caller
    // means to select once the patterns are loaded; nothing is current yet.
    TSirdPatt(platform::Window* owner, std::string directory, int selection);
    ~TSirdPatt();
    TSirdPatt(const TSirdPatt&) = delete;
    TSirdPatt& operator=(const TSirdPatt&) = delete;

    // Reads a pattern file quietly (no message box) and appends it: a GIF,
    // or any other picture the graphics library reads (true-colour patterns
    // are kept as PNG). A relative name is taken inside the library's
    // directory. 1 when the file was read and appended, 0 otherwise; the
    // current pattern does not change.
    int AddFromFile(const std::string& fileName);
    // Unlinks and deletes the last pattern (the first becomes current if it
    // was); 1 when there was one.
    int RemoveLast();
    // Links a new pattern after the last one; 1 when appended, 0 when bitmap
    // is null (a pattern without a picture would leave generation nothing to
    // tile).
    int Append(std::unique_ptr<platform::Bitmap> bitmap, std::unique_ptr<platform::Palette> palette);

    // An index below 0 or not below the count selects the first pattern
    // (none when the library is empty).
    void Select(int index);
    // The 0-based index of the current pattern; 0 when none is current.
    int GetSelection();
    // The number of patterns.
    int GetCount();

    // The current pattern's picture and palette; null when none is current.
    const platform::Bitmap* GetBitmap() const;
    const platform::Palette* GetPalette() const;
    // The pattern at 0-based index, or null.
    const TPattObj* GetPattern(int index) const;

    platform::Window* GetOwner() const { return owner_; }
    const std::string& GetDirectory() const { return directory_; }
    // The index handed to the constructor; the start-up loader selects it.
    int InitialSelection() const { return initialSelection_; }

private:
    TPattObj* head_ = nullptr;
    TPattObj* current_ = nullptr;
    platform::Window* owner_ = nullptr;
    std::string directory_;
    int selection_ = 0;        // as last reported by GetSelection
    int count_ = 0;            // as last reported by GetCount
    int initialSelection_ = 0;
};

// What the start-up loader reports while it works. The desktop program
// shows the text and progress in its status bar and closes the welcome
// window on the first failure; every hook may be left as it is.
class PatternLoadObserver {
public:
    virtual ~PatternLoadObserver() = default;
    virtual void StatusText(const std::string& /*text*/) {}
    virtual void Progress(int /*percent*/) {}
    // Called once, at the first pattern number for which no file could be read.
    virtual void FirstFailure() {}
};

// Fewest pattern files tried at start-up, whatever the configuration says.
inline constexpr int kMinPatternFiles = 20;
// Most pattern files tried: a garbled count must not keep start-up busy for
// hours probing files that cannot exist.
inline constexpr int kMaxPatternFiles = 1000;

// "pat00.gif" ... "pat09.gif", "pat10.gif", ...; "pat00.png" ... for a
// true-colour pattern.
std::string PatternFileName(int number, bool trueColour = false);

// Builds the library and fills it from numbered GIF files. For each number
// 0 .. count-1 (count raised to kMinPatternFiles, capped at kMaxPatternFiles)
// the folders of searchDirs are tried in order, in each the GIF and then the
// PNG of that number, and the first file that reads wins, so a user's pat03.gif replaces the shipped one of that number. A
// number that no folder supplies is skipped (later numbers still load); the
// first such number resets the selection to 0. The selection is then applied
// with Select. libraryDir becomes the library's directory.
std::unique_ptr<TSirdPatt> LoadPatterns(platform::Window* frame, const std::string& libraryDir,
                                        const std::vector<std::string>& searchDirs, int select, int count,
                                        PatternLoadObserver* observer = nullptr);

// The one pattern LoadPatterns followed by Select(chosen) would make
// current (by the same numbering and search; chosen absent keeps LoadPatterns'
// own selection), read without reading the others: of the pattern files
// only the first bytes are looked at (a file that does not start as a GIF
// counts as missing), and the chosen one alone is read. Should that one not
// read, the whole library is loaded as LoadPatterns does. The library holds
// that one pattern, current.
std::unique_ptr<TSirdPatt> LoadChosenPattern(const std::string& libraryDir, const std::vector<std::string>& searchDirs,
                                             int select, int count, std::optional<int> chosen);

} // namespace engine
