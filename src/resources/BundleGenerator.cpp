// Writes a C++ source that holds files as byte arrays, so that the program carries its resource script
// and the icon and cursor files it names.
//
//   BundleGenerator OUTPUT.cpp NAME=PATH...
//
// The first file is the resource script; each NAME is what the script calls the file.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool ReadFile(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool ValidName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name) {
        if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: BundleGenerator OUTPUT.cpp NAME=PATH...\n";
        return 2;
    }
    std::ostringstream source;
    source << "// Made by BundleGenerator at build time: the resource script and the files it names.\n"
              "#include \"resources/BundleData.h\"\n\n"
              "namespace resources::detail {\n\nnamespace {\n";
    std::vector<std::string> names;
    std::vector<size_t> sizes;
    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        size_t split = argument.find('=');
        std::string name = split == std::string::npos ? "" : argument.substr(0, split);
        if (!ValidName(name)) {
            std::cerr << "BundleGenerator: expected NAME=PATH, got " << argument << "\n";
            return 2;
        }
        std::string bytes;
        if (!ReadFile(argument.substr(split + 1), &bytes)) {
            std::cerr << "BundleGenerator: cannot read " << argument.substr(split + 1) << "\n";
            return 1;
        }
        source << "const unsigned char File" << names.size() << "[] = {";
        for (size_t k = 0; k < bytes.size(); ++k) {
            if (k % 16 == 0) source << "\n   ";
            char hex[8];
            std::snprintf(hex, sizeof hex, " 0x%02X,", static_cast<unsigned char>(bytes[k]));
            source << hex;
        }
        source << " 0x00\n};\n";  // a zero after the bytes, so that even an empty file has an array
        names.push_back(name);
        sizes.push_back(bytes.size());
    }
    source << "\n}  // namespace\n\nconst BundleFile BundleFiles[] = {\n";
    for (size_t i = 0; i < names.size(); ++i) {
        source << "    {\"" << names[i] << "\", File" << i << ", " << sizes[i] << "},\n";
    }
    source << "};\nconst size_t BundleFileCount = " << names.size() << ";\n\n}  // namespace resources::detail\n";

    // Written only when it changes, so that a rebuild does not recompile an unchanged bundle.
    std::string text = source.str();
    std::string old;
    if (ReadFile(argv[1], &old) && old == text) return 0;
    std::ofstream out(argv[1], std::ios::binary);
    out << text;
    if (!out) {
        std::cerr << "BundleGenerator: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
