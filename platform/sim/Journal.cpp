// The machine's journal.

#include "platform/sim/Journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/sim/HostFiles.h"

namespace platform::sim {

void TJournal::Add(const std::string& line) {
  const int fd = ::open(FFileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::fprintf(stderr, "journal %s: %s\n", FFileName.c_str(), HostError(errno).c_str());
    return;
  }
  const std::string text = line + "\n";
  ssize_t n;
  while ((n = ::write(fd, text.data(), text.size())) < 0 && errno == EINTR) {
  }
  if (n != static_cast<ssize_t>(text.size()))
    std::fprintf(stderr, "journal %s: %s\n", FFileName.c_str(), n < 0 ? HostError(errno).c_str() : "short write");
  ::close(fd);
}

std::string JournalText(const rtl::AnsiString& text) {
  std::string out = "\"";
  for (char c : rtl::Utf8FromAnsi(text)) {
    if (c == '"') {
      out += "\"\"";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      out += hex;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JournalHex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::vector<std::string> ReadJournal(const std::string& machineDir) {
  std::vector<std::string> lines;
  const std::optional<std::string> text = ReadHostFile(JoinHost(machineDir, "journal.log"));
  if (!text) return lines;
  std::size_t pos = 0;
  while (pos < text->size()) {
    std::size_t end = text->find('\n', pos);
    if (end == std::string::npos) end = text->size();
    lines.push_back(text->substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

}  // namespace platform::sim
