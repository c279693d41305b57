// A stand-in for the WSL containers tool, for end-to-end runs under wine.
// It keeps its one container's state in "fake_wslc_state" in the current
// directory (the slot), logs every call's arguments, as UTF-8 joined by
// "|", to "fake_wslc.log" there, and answers as the tool would: the
// container runs to completion as soon as it is started.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string utf8(const wchar_t* text) {
  int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

std::string read_state() {
  std::FILE* file = std::fopen("fake_wslc_state", "rb");
  if (file == nullptr) return "absent";
  char text[32] = "";
  std::size_t got = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  return std::string(text, got);
}

void write_state(const char* state) {
  if (std::FILE* file = std::fopen("fake_wslc_state", "wb")) {
    std::fputs(state, file);
    std::fclose(file);
  }
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(utf8(wide[i]));
  if (std::FILE* log = std::fopen("fake_wslc.log", "ab")) {
    for (const auto& arg : args) std::fprintf(log, "%s|", arg.c_str());
    std::fputs("\n", log);
    std::fclose(log);
  }
  const std::string command = args.empty() ? "" : args[0];
  const std::string state = read_state();
  if (command == "create") {
    write_state("created");
    std::puts("0123456789ab");
  } else if (command == "start") {
    write_state("exited");
  } else if (command == "ps") {
    if (state == "created") std::puts(R"({"State":"created","Status":"Created"})");
    if (state == "exited") std::puts(R"({"State":"exited","Status":"Exited (0) 1 second ago"})");
  } else if (command == "stats") {
    std::puts(R"({"CPUPerc":"1.00%","MemUsage":"1MiB / 1GiB"})");
  } else if (command == "logs") {
    std::puts("hello from the container in J\xc3\xb6rg-\xce\xa9");
  } else if (command == "rm" || (command == "container" && args.size() > 1 && args[1] == "rm")) {
    write_state("absent");
  }
  std::fflush(stdout);
  return 0;
}
