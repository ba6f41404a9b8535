// A C++ program of someone else's, built against the installed pictrans:
// reads any picture it knows and writes it as a BMP file.
#include <pictrans/TGraphIO.h>

#include <cstdio>

namespace {

class Terminal : public platform::Window {
public:
    int messageBox(std::string_view text, std::string_view caption, unsigned) override
    {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
        return platform::IDYES;
    }
    std::intptr_t sendMessage(unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: topicture IN OUT.bmp\n");
        return 1;
    }
    Terminal terminal;
    TGraphIO io(&terminal, &terminal);
    const auto picture = io.Read_File(argv[1]);
    if (!picture)
        return 2;
    const auto palette = io.GetPalette();
    io.SetGraphicFormat(GFORMAT_BMP);
    return io.Write_File(argv[2], picture->description(), picture.get(), palette.get()) ? 0 : 3;
}
