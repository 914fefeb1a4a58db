// vellumark-icongen OUTPUT_DIR: draws the two tray icons and writes online.ico, offline.ico,
// online.png and offline.png into OUTPUT_DIR. The .ico files are kept in shell/resources; rerun
// this after changing the artwork.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/icongen/artwork.h"
#include "tools/icongen/ico_writer.h"
#include "tools/icongen/png_writer.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const icongen::Canvas online = icongen::DrawOnline();
    const icongen::Canvas offline = icongen::DrawOffline();
    const bool ok = WriteFile(dir + "/online.ico", icongen::EncodeIco(online)) &&
                    WriteFile(dir + "/offline.ico", icongen::EncodeIco(offline)) &&
                    WriteFile(dir + "/online.png", icongen::EncodePng(online)) &&
                    WriteFile(dir + "/offline.png", icongen::EncodePng(offline));
    if (!ok) {
        std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], dir.c_str());
        return 1;
    }
    return 0;
}
