#include "TSIRDSMath.h"

#include "terrakit/terrakit.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace terrakit {

namespace {

constexpr const char* Catalogue[TSIRDSMath::StoredTitles] = {
    "Round Crater",      "Star Crater 1",       "Star Crater 2",    "Rombus Crater",
    "Square Crater 1",   "Square Crater 2",     "Octagonal Crater", "Craters + Peaks 1",
    "Craters + Peaks 2", "Conical Deep",        "Pyramids",         "Sinusoidal Pyramids",
    "Sinusoidal Hills",  "Spiral Deep",         "Spiral Crater",    "Wind Mill 1",
    "Wind Mill 2",       "Sinusoidal Spiral",   "Sinusoidal Crater", "Spiral Lanes 1",
    "Spiral Lanes 2",    "Spiral Lanes 3",      "Spiral Lanes 4",   "Flat Plane",
};

constexpr char Undefined[] = "UNDEFINED";
constexpr char Version[] = "3.40";

static_assert(TSIRDSMath::PublishedTitles == TERRAKIT_FIGURE_COUNT);

// The one table of the module; null until InitFigureTitles and after
// UnloadFigureTitles. Only the user-interface thread touches it.
TSIRDSMath* currentTable = nullptr;

} // namespace

TSIRDSMath::TSIRDSMath()
    : titles_{}
    , pi_(FigurePi)
{
    for (int slot = 0; slot < StoredTitles; ++slot) {
        static_assert(sizeof(titles_[0]) == TitleSize);
        std::strncpy(titles_[slot], Catalogue[slot], TitleSize - 1);
    }
}

} // namespace terrakit

using terrakit::TSIRDSMath;

extern "C" {

char* GetLibVersion(char* buffer)
{
    if (buffer)
        std::memcpy(buffer, terrakit::Version, sizeof terrakit::Version);
    return buffer;
}

void InitFigureTitles(void)
{
    // A second call replaces the table instead of losing the first one.
    TSIRDSMath* fresh = new (std::nothrow) TSIRDSMath;
    delete terrakit::currentTable;
    terrakit::currentTable = fresh;
}

void UnloadFigureTitles(void)
{
    delete terrakit::currentTable;
    terrakit::currentTable = nullptr;
}

int32_t GetFigureCount(void)
{
    return TSIRDSMath::PublishedTitles;
}

int32_t GetFigureIndex(const char* title)
{
    const TSIRDSMath* table = terrakit::currentTable;
    if (!table || !title)
        return -1;
    for (int slot = 0; slot < TSIRDSMath::PublishedTitles; ++slot) {
        if (std::strcmp(table->title(slot), title) == 0)
            return slot;
    }
    return -1;
}

void GetFigureTitle(int32_t index, char* buffer, int32_t length)
{
    if (!buffer || length <= 0)
        return;
    const TSIRDSMath* table = terrakit::currentTable;
    if (!table || index < 0 || index >= TSIRDSMath::PublishedTitles) {
        // Never more than the caller said the buffer holds.
        const auto n = std::min<std::size_t>(sizeof terrakit::Undefined, static_cast<std::size_t>(length));
        std::memcpy(buffer, terrakit::Undefined, n);
        return;
    }
    std::strncpy(buffer, table->title(index), static_cast<std::size_t>(length));
}

} // extern "C"
