#pragma once
// The only files a model may make the importer open: its own, and buffers
// beside it in its folder or below. Absolute names, "..", URLs ("://") and
// anything whose real path lies outside the folder are refused, and so are
// OBJ material libraries (.mtl), which the program has no use for.

#include <assimp/DefaultIOSystem.h>

#include <string>

class ConfinedIOSystem : public Assimp::DefaultIOSystem {
public:
    // folder: the real path of the model's folder, which is the working
    // directory; model: the model's own name in it.
    ConfinedIOSystem(std::string folder, std::string model);

    bool Exists(const char* file) const override;
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;

    // Whether a name the model asks for may be opened.
    bool allowed(const std::string& name) const;

private:
    std::string folder_;
    std::string model_;
};
