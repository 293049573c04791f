#include "resources/generator/ResourceFiles.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

// After <cstdio>: the header uses FILE.
#include <jpeglib.h>

namespace resgen {

namespace {

// Little-endian fields of the BMP and icon headers.
struct TBytes {
  std::vector<uint8_t> Out;
  void U8(uint32_t v) { Out.push_back(static_cast<uint8_t>(v)); }
  void U16(uint32_t v) {
    U8(v & 0xFF);
    U8((v >> 8) & 0xFF);
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
};

void WriteArray(std::ostream& out, const std::string& name, const std::vector<uint8_t>& bytes) {
  out << "const uint8_t " << name << "[" << bytes.size() << "] = {";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 24 == 0) out << "\n   ";
    out << ' ' << static_cast<int>(bytes[i]) << ',';
  }
  out << "\n};\n\n";
}

bool WriteIfChanged(const std::string& path, const std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (in) {
    std::stringstream old;
    old << in.rdbuf();
    if (old.str() == text) return true;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

std::vector<uint8_t> BmpFile(const Picture& p) {
  const uint32_t stride = (static_cast<uint32_t>(p.Width) * 3 + 3) & ~3u;
  const uint32_t imageSize = stride * p.Height;
  TBytes b;
  // BITMAPFILEHEADER
  b.U8('B');
  b.U8('M');
  b.U32(54 + imageSize);  // bfSize
  b.U32(0);               // bfReserved1, bfReserved2
  b.U32(54);              // bfOffBits
  // BITMAPINFOHEADER
  b.U32(40);                               // biSize
  b.U32(static_cast<uint32_t>(p.Width));   // biWidth
  b.U32(static_cast<uint32_t>(p.Height));  // biHeight (bottom-up)
  b.U16(1);                                // biPlanes
  b.U16(24);                               // biBitCount
  b.U32(0);                                // biCompression = BI_RGB
  b.U32(imageSize);                        // biSizeImage
  b.U32(3780);                             // biXPelsPerMeter (96 dpi)
  b.U32(3780);                             // biYPelsPerMeter
  b.U32(0);                                // biClrUsed
  b.U32(0);                                // biClrImportant
  for (int y = p.Height - 1; y >= 0; --y) {
    const size_t rowStart = b.Out.size();
    for (int x = 0; x < p.Width; ++x) {
      const Rgba& c = p.At(x, y);
      b.U8(Byte(c.B));
      b.U8(Byte(c.G));
      b.U8(Byte(c.R));
    }
    b.Out.resize(rowStart + stride, 0);
  }
  return std::move(b.Out);
}

std::vector<uint8_t> JpegFile(const Picture& p, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(p.Width);
  cinfo.image_height = static_cast<JDIMENSION>(p.Height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(p.Width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < p.Width; ++x) {
      const Rgba& c = p.At(x, y);
      row[x * 3] = Byte(c.R);
      row[x * 3 + 1] = Byte(c.G);
      row[x * 3 + 2] = Byte(c.B);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

std::vector<uint8_t> IconFile(const Picture& p) {
  const uint32_t w = static_cast<uint32_t>(p.Width), h = static_cast<uint32_t>(p.Height);
  const uint32_t maskStride = ((w + 31) / 32) * 4;
  const uint32_t imageSize = 40 + w * h * 4 + maskStride * h;
  TBytes b;
  // ICONDIR
  b.U16(0);  // idReserved
  b.U16(1);  // idType: icon
  b.U16(1);  // idCount
  // ICONDIRENTRY
  b.U8(w);           // bWidth
  b.U8(h);           // bHeight
  b.U8(0);           // bColorCount
  b.U8(0);           // bReserved
  b.U16(1);          // wPlanes
  b.U16(32);         // wBitCount
  b.U32(imageSize);  // dwBytesInRes
  b.U32(22);         // dwImageOffset
  // BITMAPINFOHEADER (the height counts the image and its mask)
  b.U32(40);
  b.U32(w);
  b.U32(h * 2);
  b.U16(1);   // biPlanes
  b.U16(32);  // biBitCount
  b.U32(0);   // BI_RGB
  b.U32(w * h * 4 + maskStride * h);
  b.U32(0);
  b.U32(0);
  b.U32(0);
  b.U32(0);
  for (int y = p.Height - 1; y >= 0; --y)
    for (int x = 0; x < p.Width; ++x) {
      const Rgba& c = p.At(x, y);
      const uint8_t a = Byte(c.A);
      b.U8(a ? Byte(c.B) : 0);
      b.U8(a ? Byte(c.G) : 0);
      b.U8(a ? Byte(c.R) : 0);
      b.U8(a);
    }
  for (int y = p.Height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int x = 0; x < p.Width; ++x)
      if (Byte(p.At(x, y).A) == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    b.Out.insert(b.Out.end(), row.begin(), row.end());
  }
  return std::move(b.Out);
}

namespace {

// The resource's name in a Windows resource script: the set's prefix and the name, in capitals.
std::string RcName(const TResourceSet& set, const TResource& item) {
  std::string name = std::string(*set.Prefix ? set.Prefix : "Vqm") + "_" + item.Name;
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    else if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) c = '_';
  }
  return name;
}

}  // namespace

int RunGenerator(int argc, char** argv, const TResourceSet& set, const std::function<std::vector<TResource>()>& draw) {
  const bool windows = argc == 3 && std::string(argv[2]) == "--windows-resources";
  if (argc != 2 && !windows) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER [--windows-resources]\n", set.Tool);
    return 2;
  }
  const std::string folder = argv[1];
  const std::string prefix = set.Prefix, ns = set.Namespace;
  const std::string data = prefix + "ResourceData", entry = "T" + prefix + "ResourceEntry",
                    table = "k" + prefix + "ResourceTable";
  const std::vector<TResource> items = draw();

  std::ostringstream header;
  header << "// Written by " << set.Tool << "; do not edit.\n#pragma once\n#include <cstddef>\n#include <cstdint>\n"
         << "#include <string_view>\n\nnamespace " << ns << " {\n\n"
         << "struct " << entry << " {\n  std::string_view Name;\n  const uint8_t* Data;\n  size_t Size;\n};\n\n"
         << "extern const " << entry << " " << table << "[" << items.size() << "];\n\n}  // namespace " << ns << "\n";

  std::ostringstream source;
  bool written = true;
  if (windows) {
    // The bytes become resources of the executable (the script beside the
    // sources); the table finds them there when the program starts.
    std::ostringstream script;
    script << "// Written by " << set.Tool << "; do not edit.\n";
    for (const TResource& item : items) {
      const std::string file = folder + "/" + data + "-" + item.Symbol + ".bin";
      written = written && WriteIfChanged(file, std::string(item.Bytes.begin(), item.Bytes.end()));
      script << RcName(set, item) << " RCDATA \"" << file << "\"\n";
    }
    written = written && WriteIfChanged(folder + "/" + data + ".rc", script.str());
    source << "// Written by " << set.Tool << "; do not edit.\n#include \"" << data << ".h\"\n\n#include <windows.h>\n\n"
           << "namespace " << ns << " {\n\nnamespace {\n\n"
           << entry << " Entry(std::string_view name, const char* id) {\n"
           << "  HRSRC found = FindResourceA(nullptr, id, MAKEINTRESOURCEA(10));  // RT_RCDATA\n"
           << "  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;\n"
           << "  const void* bytes = loaded ? LockResource(loaded) : nullptr;\n"
           << "  return {name, static_cast<const uint8_t*>(bytes), bytes ? SizeofResource(nullptr, found) : 0};\n"
           << "}\n\n}  // namespace\n\nconst " << entry << " " << table << "[" << items.size() << "] = {\n";
    for (const TResource& item : items)
      source << "    Entry(\"" << item.Name << "\", \"" << RcName(set, item) << "\"),\n";
    source << "};\n\n}  // namespace " << ns << "\n";
  } else {
    source << "// Written by " << set.Tool << "; do not edit.\n#include \"" << data << ".h\"\n\nnamespace " << ns
           << " {\n\nnamespace {\n\n";
    for (const TResource& item : items) WriteArray(source, item.Symbol, item.Bytes);
    source << "}  // namespace\n\nconst " << entry << " " << table << "[" << items.size() << "] = {\n";
    for (const TResource& item : items)
      source << "    {\"" << item.Name << "\", " << item.Symbol << ", sizeof(" << item.Symbol << ")},\n";
    source << "};\n\n}  // namespace " << ns << "\n";
  }

  if (!written || !WriteIfChanged(folder + "/" + data + ".h", header.str()) ||
      !WriteIfChanged(folder + "/" + data + ".cpp", source.str())) {
    std::fprintf(stderr, "%s: cannot write to %s\n", set.Tool, folder.c_str());
    return 1;
  }
  return 0;
}

}  // namespace resgen
