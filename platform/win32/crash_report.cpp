#include "platform/crash_report.h"

#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <exception>

namespace platform {
namespace {

std::atomic<bool> aborted_by_client{false};
constexpr int kAbortedExitCode = -197;

// The report is written with system calls into a fixed buffer: the thread
// may have crashed holding the C runtime's locks or inside its heap.
class ReportLine {
 public:
  ReportLine& text(const char* value) {
    while (*value != '\0' && length_ < sizeof buffer_) buffer_[length_++] = *value++;
    return *this;
  }
  ReportLine& hex(unsigned long long value, int digits) {
    char digits_text[17];
    for (int i = digits - 1; i >= 0; --i, value >>= 4) digits_text[i] = "0123456789abcdef"[value & 0xf];
    digits_text[digits] = '\0';
    return text("0x").text(digits_text);
  }
  void write() {
    HANDLE error = reinterpret_cast<HANDLE>(::_get_osfhandle(2));
    if (error == INVALID_HANDLE_VALUE || error == nullptr) error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    ::WriteFile(error, buffer_, static_cast<DWORD>(length_), &written, nullptr);
    length_ = 0;
  }

 private:
  char buffer_[512];
  std::size_t length_ = 0;
};

constexpr int kPointerDigits = sizeof(void*) * 2;

// Each address with the file name of its module and its offset there, and
// the module's base: with address randomisation, the absolute address
// alone tells nothing.
void write_address(ReportLine& line, const void* address) {
  line.hex(reinterpret_cast<unsigned long long>(address), kPointerDigits);
  HMODULE module = nullptr;
  if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCWSTR>(address), &module)) {
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    const wchar_t* name = path;
    for (DWORD i = 0; i < length; ++i) {
      if (path[i] == L'\\' || path[i] == L'/') name = path + i + 1;
    }
    char utf8[MAX_PATH * 3];
    int size = ::WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(length - (name - path)), utf8,
                                     sizeof utf8 - 1, nullptr, nullptr);
    utf8[size > 0 ? size : 0] = '\0';
    auto base = reinterpret_cast<unsigned long long>(module);
    line.text(" ").text(utf8).text("+").hex(reinterpret_cast<unsigned long long>(address) - base, 8);
    line.text(" (base ").hex(base, kPointerDigits).text(")");
  }
  line.text("\n").write();
}

void write_backtrace() {
  void* frames[62];
  USHORT count = ::CaptureStackBackTrace(0, 62, frames, nullptr);
  ReportLine line;
  line.text("Stack trace:\n").write();
  for (USHORT i = 0; i < count; ++i) write_address(line.text("  "), frames[i]);
}

[[noreturn]] void end_after_report(unsigned code) {
  UINT exit_code = aborted_by_client.load() ? static_cast<UINT>(kAbortedExitCode) : code;
  ::TerminateProcess(::GetCurrentProcess(), exit_code);
  ::ExitProcess(exit_code);
}

LONG WINAPI unhandled_exception(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  ReportLine line;
  line.text("Unhandled Exception Detected...\n").write();
  line.text("Reason: ").hex(record->ExceptionCode, 8).text(" at address ");
  write_address(line, record->ExceptionAddress);
  write_backtrace();
  end_after_report(record->ExceptionCode);
}

void terminate_handler() {
  ReportLine line;
  line.text("Unhandled Exception Detected...\n").write();
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& error) {
      line.text("Exception: ").text(error.what()).text("\n").write();
    } catch (...) {
      line.text("Exception: unknown\n").write();
    }
  }
  write_backtrace();
  end_after_report(static_cast<unsigned>(EXCEPTION_BREAKPOINT));
}

}  // namespace

// The C runtime of this build never calls an invalid-parameter handler, so
// none is installed: a report that could not appear would only mislead.
void install_crash_handlers() {
  ::SetUnhandledExceptionFilter(unhandled_exception);
  std::set_terminate(terminate_handler);
}

void mark_aborted_by_client() { aborted_by_client.store(true); }

void raise_debug_break() { ::DebugBreak(); }

}  // namespace platform
