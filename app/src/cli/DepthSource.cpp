#include "DepthSource.h"

#include "ModelOptions.h"
#include "PictureOutput.h"

#include "app/CommandLine.h"
#include "depthmap/TMapDocument.h"
#include "engine/DepthSampling.h"
#include "engine/MapGeneration.h"
#include "models/Rasteriser.h"
#include "terrakit/terrakit.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <new>
#include <optional>
#include <ostream>
#include <vector>

namespace app {

namespace {

std::string baseName(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// An empty depth picture of width × height; null when memory runs out.
std::unique_ptr<platform::Grey16Image> greyImage(int width, int height)
{
    try {
        auto image = std::make_unique<platform::Grey16Image>();
        image->width = width;
        image->height = height;
        image->samples.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        return image;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// An 8-bit level as a 16-bit sample: 0 stays 0, 255 becomes 65535. Levels
// outside 0..255 (a figure's formula may overshoot) are cut to that range.
std::uint16_t sample16(std::int32_t level)
{
    return static_cast<std::uint16_t>(std::clamp(level, 0, 255) * 257);
}

class FigureSource final : public DepthSource {
public:
    explicit FigureSource(std::string figure) : figure_(std::move(figure)) {}
    ~FigureSource() override
    {
        if (loaded_)
            UnloadFigureTitles();
    }

    int load(TerminalWindow&, std::ostream& err) override
    {
        if (!loaded_)
            InitFigureTitles();
        loaded_ = true;
        index_ = figureIndex();
        if (index_ < 0) {
            err << "dotscape: --figure must be a number from 1 to " << GetFigureCount()
                << " or a figure's exact title (dotscape figures lists them), not '" << figure_ << "'\n";
            return kExitUsage;
        }
        return kExitOk;
    }
    bool sizedBySettings() const override { return true; }


    std::unique_ptr<platform::Grey16Image> depth(const engine::SirdsSettings& s) const override
    {
        auto image = greyImage(s.w, s.h);
        if (!image)
            return nullptr;
        engine::FigureSampling figure;
        figure.level = &GetFigureLevel;
        figure.figureCode = -(index_ + 1);
        figure.width = s.w;
        figure.height = s.h;
        figure.gap = s.gapValue;
        figure.dx = s.dx;
        figure.dy = s.dy;
        figure.da = s.da;
        figure.method = s.ShiftDir;
        std::vector<std::int32_t> row(static_cast<std::size_t>(s.w));
        for (int y = 0; y < s.h; ++y) {
            // The sampler counts image rows from the bottom.
            engine::sampleFigureRow(row.data(), s.h - 1 - y, figure);
            std::ranges::transform(row, image->samples.begin() + static_cast<std::ptrdiff_t>(y) * s.w, sample16);
        }
        return image;
    }

private:
    // Figure numbers 1 to N, or an exact title; -1 for neither.
    int figureIndex() const
    {
        int n = 0;
        auto [ptr, ec] = std::from_chars(figure_.data(), figure_.data() + figure_.size(), n);
        if (ec == std::errc() && ptr == figure_.data() + figure_.size())
            return n >= 1 && n <= GetFigureCount() ? n - 1 : -1;
        return GetFigureIndex(figure_.c_str());
    }

    std::string figure_;
    int index_ = -1;
    bool loaded_ = false;
};

class PictureSource final : public DepthSource {
public:
    explicit PictureSource(std::string path) : path_(std::move(path)) {}

    int load(TerminalWindow& window, std::ostream& err) override { return readPicture(path_, window, err, picture_); }


    std::unique_ptr<platform::Grey16Image> depth(const engine::SirdsSettings& s) const override
    {
        const platform::Bitmap& bitmap = *picture_.bitmap;
        const int w = bitmap.width();
        const int h = bitmap.height();
        const platform::Grey16Image* grey16 = picture_.grey16.get();
        if (grey16 && grey16->width == w && grey16->height == h) {
            try {
                return std::make_unique<platform::Grey16Image>(*grey16);
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        }
        auto image = greyImage(w, h);
        if (!image)
            return nullptr;
        std::array<std::int32_t, 256> lookup{};
        engine::depthLookup(s.DepthSel, picture_.palette.get(), lookup);
        std::uint16_t* out = image->samples.data();
        for (int y = 0; y < h; ++y) {
            const int row = h - 1 - y; // bitmap rows count from the bottom
            const std::uint8_t* src = bitmap.row(row);
            for (int x = 0; x < w; ++x, ++out) {
                switch (bitmap.bitsPerPixel()) {
                case 8:
                    *out = sample16(lookup[src[x]]);
                    break;
                case 24: {
                    // A true-colour pixel has no colour index: its own
                    // brightness is its depth, whichever way depth is taken.
                    const platform::PALETTEENTRY colour{src[3 * x + 2], src[3 * x + 1], src[3 * x], 0};
                    *out = sample16(engine::brightness(colour));
                    break;
                }
                default:
                    *out = sample16(lookup[static_cast<std::uint8_t>(bitmap.pixel(x, row))]);
                    break;
                }
            }
        }
        return image;
    }

private:
    std::string path_;
    PictureRead picture_;
};

class MapFileSource final : public DepthSource {
public:
    explicit MapFileSource(std::string path) : path_(std::move(path)) {}

    int load(TerminalWindow& window, std::ostream& err) override
    {
        if (const std::string problem = openProblem(path_); !problem.empty()) {
            err << "dotscape: " << path_ << " could not be read: " << problem << '\n';
            return kExitInput;
        }
        map_ = std::make_unique<depthmap::TMapDocument>(baseName(path_), 400, 400, &window);
        if (!map_->ReadFile(path_)) {
            err << "dotscape: " << path_ << " could not be read as a depth map\n";
            return kExitInput;
        }
        return kExitOk;
    }


    std::unique_ptr<platform::Grey16Image> depth(const engine::SirdsSettings&) const override
    {
        const int w = map_->Width();
        const int h = map_->Height();
        auto image = greyImage(w, h);
        if (!image)
            return nullptr;
        // The rows the stereogram is made from, by the same query.
        const engine::MapDocumentSource rows(*map_);
        std::vector<std::int32_t> levels(static_cast<std::size_t>(w));
        for (int y = 0; y < h; ++y) {
            rows.levelRow(y, levels.data(), w);
            std::ranges::transform(levels, image->samples.begin() + static_cast<std::ptrdiff_t>(y) * w, sample16);
        }
        return image;
    }

private:
    std::string path_;
    std::unique_ptr<depthmap::TMapDocument> map_;
};

// A 3-D model at the settings' size, as make --model draws it: the
// rasteriser's 16-bit depth is the picture, every sample as it is.
class ModelSource final : public DepthSource {
public:
    ModelSource(std::string path, const models::Camera& camera) : path_(std::move(path)), camera_(camera) {}

    int load(TerminalWindow&, std::ostream& err) override
    {
        mesh_ = readModel(path_, err);
        return mesh_ ? kExitOk : kExitInput;
    }
    bool sizedBySettings() const override { return true; }

    std::unique_ptr<platform::Grey16Image> depth(const engine::SirdsSettings& s) const override
    {
        try {
            return std::make_unique<platform::Grey16Image>(models::renderDepth(*mesh_, camera_, s.w, s.h));
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

private:
    std::string path_;
    models::Camera camera_;
    std::optional<models::Mesh> mesh_;
};

template <class Source>
std::unique_ptr<DepthSource> makeSource(const std::string& value, const models::Camera&)
{
    return std::make_unique<Source>(value);
}

std::unique_ptr<DepthSource> makeModelSource(const std::string& value, const models::Camera& camera)
{
    return std::make_unique<ModelSource>(value, camera);
}

constexpr SourceOption kSourceOptions[] = {
    {"--figure", "N|TITLE", "a math figure by number (1 to 23) or exact title; default 1", &makeSource<FigureSource>},
    {"--picture", "FILE", "depth from a picture (any format convert reads)", &makeSource<PictureSource>},
    {"--depthmap", "FILE.rds", "depth from a depth map file", &makeSource<MapFileSource>},
    {"--model", "FILE", "depth from a 3-D model (STL, OBJ, PLY, glTF, 3MF, OFF)", &makeModelSource},
};

} // namespace

std::span<const SourceOption> sourceOptions()
{
    return kSourceOptions;
}

const SourceOption* findSourceOption(std::string_view option)
{
    for (const SourceOption& row : kSourceOptions)
        if (option == row.option)
            return &row;
    return nullptr;
}

std::unique_ptr<DepthSource> defaultSource()
{
    return kSourceOptions[0].make("1", models::Camera{});
}

std::string sourceUsage()
{
    std::string text;
    for (const SourceOption& row : kSourceOptions) {
        std::string left = std::string("  ") + row.option + ' ' + row.argument;
        left.resize(std::max<std::size_t>(left.size() + 1, 23), ' ');
        text += left + row.help + '\n';
    }
    return text;
}

std::string sourceOptionList()
{
    std::string text;
    const std::size_t n = std::size(kSourceOptions);
    for (std::size_t i = 0; i < n; ++i)
        text += (i == 0 ? "" : i + 1 == n ? " or " : ", ") + std::string(kSourceOptions[i].option);
    return text;
}

} // namespace app
