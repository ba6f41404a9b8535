#pragma once
// Writes 256-colour pictures as baseline JPEG files. It cannot read.

#include "pictrans/Export.h"
#include "pictrans/TGIntf.h"

class PICTRANS_API TJpgIntf : public TGIntf {
public:
    TJpgIntf(platform::Window* status, platform::Window* owner);

    std::unique_ptr<platform::Bitmap> ReadFile(const std::string& fileName) override;
    // Returns 1 on success. The file is replaced only when the whole picture
    // was compressed; a refused or failed write leaves an existing file unchanged.
    int WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                  const platform::Palette* palette) override;
};
