#include "engine/TPattObj.h"

namespace engine {

TPattObj::TPattObj(std::unique_ptr<platform::Bitmap> bitmap, std::unique_ptr<platform::Palette> palette)
    : bitmap_(std::move(bitmap)), palette_(std::move(palette))
{
}

TPattObj::~TPattObj()
{
    palette_.reset();
    bitmap_.reset();
}

} // namespace engine
