// The resource compiler: reads the resource sources and writes the ids
// header, the C++ tables the dialog loader registers, and optionally
// "controlid.data" (the #define map of names to ids the language table reads).
//
//   rivo-rc --ids OUT.h --tables OUT.cpp --function NAME [--controlid FILE] SOURCE...
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/mfc/ResourceScript.h"

namespace {

// Larger image files are refused rather than embedded.
constexpr std::streamoff kLargestImage = 16 * 1024 * 1024;

bool ReadFile(const std::string& path, std::string* out, std::streamoff limit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0 || size > limit) return false;
    in.seekg(0);
    out->assign(static_cast<size_t>(size), '\0');
    in.read(out->data(), size);
    return static_cast<bool>(in);
}

// Writes only when the content changed, so that dependants are not rebuilt
// for nothing; through a temporary file and a rename, so that a reader never
// sees half a file.
bool WriteIfChanged(const std::string& path, const std::string& content)
{
    std::string old;
    if (ReadFile(path, &old, 64 * 1024 * 1024) && old == content) return true;
    std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out) return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Usage()
{
    std::cerr << "usage: rivo-rc --ids OUT.h --tables OUT.cpp --function NAME [--controlid FILE] SOURCE...\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string ids, tables, function, controlId;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        if (a == "--ids") {
            if (!value(&ids)) return Usage();
        } else if (a == "--tables") {
            if (!value(&tables)) return Usage();
        } else if (a == "--function") {
            if (!value(&function)) return Usage();
        } else if (a == "--controlid") {
            if (!value(&controlId)) return Usage();
        } else if (a.rfind("--", 0) == 0) {
            return Usage();
        } else {
            sources.push_back(a);
        }
    }
    if (ids.empty() || tables.empty() || function.empty()) return Usage();

    resource_script::Script script;
    for (const std::string& source : sources) {
        std::string text;
        if (!ReadFile(source, &text, 4 * 1024 * 1024)) {
            std::cerr << source << ": cannot be read (or is too large)\n";
            return 1;
        }
        std::string error;
        if (!resource_script::Parse(text, source, &script, &error)) {
            std::cerr << error << "\n";
            return 1;
        }
    }
    std::string error;
    if (!resource_script::Check(script, &error)) {
        std::cerr << error << "\n";
        return 1;
    }
    std::vector<std::string> images;
    for (const auto& image : script.images) {
        std::string bytes;
        if (!ReadFile(image.path, &bytes, kLargestImage)) {
            std::cerr << image.file << ":" << image.line << ": image file " << image.path
                      << " cannot be read (or is too large)\n";
            return 1;
        }
        images.push_back(std::move(bytes));
    }
    bool ok = WriteIfChanged(ids, resource_script::IdsHeader(script, function)) &&
              WriteIfChanged(tables, resource_script::TablesSource(script, BaseName(ids), function, images));
    if (ok && !controlId.empty()) ok = WriteIfChanged(controlId, resource_script::ControlIdData(script));
    if (!ok) {
        std::cerr << "rivo-rc: an output file could not be written\n";
        return 1;
    }
    return 0;
}
