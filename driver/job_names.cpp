#include "driver/job_names.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace {

constexpr std::size_t kImageNameLimit = 511;
constexpr std::size_t kNameLimit = 128;

// FNV-1a: small, and the same on every system and in every run.
std::uint64_t name_hash(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string hex(std::uint64_t value, int digits) {
  char text[17];
  std::snprintf(text, sizeof text, "%0*llx", digits, static_cast<unsigned long long>(value));
  return std::string(text).substr(0, static_cast<std::size_t>(digits));
}

bool alphanumeric(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// The separator runs that image references take between two name pieces.
bool valid_run(const std::string& run) {
  return run == "." || run == "_" || run == "__" || run.find_first_not_of('-') == std::string::npos;
}

std::string name_part(const std::string& text) {
  std::string out, run;
  for (char raw : text) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(raw)));
    if (!alphanumeric(c) && c != '.' && c != '-') c = '_';
    if (!alphanumeric(c)) {
      run += c;
      continue;
    }
    // A run before the first piece or after the last is dropped.
    if (!out.empty() && !run.empty()) out += valid_run(run) ? run : "_";
    run.clear();
    out += c;
  }
  return out.empty() ? "h" + hex(name_hash(text), 8) : out;
}

}  // namespace

std::string make_name(const std::string& first, const std::string& second) {
  std::string name = "corvo__" + name_part(first) + "__" + name_part(second);
  if (name.size() <= kNameLimit) return name;
  std::string suffix = "-" + hex(name_hash(first + '\0' + second), 16);
  name.resize(kNameLimit - suffix.size());
  while (!alphanumeric(name.back())) name.pop_back();
  return name + suffix;
}

std::string standalone_name(const std::string& directory) {
  return "corvo-" + hex(name_hash(directory), 8);
}

bool project_name_of(const std::string& project_dir, std::string& name) {
  // A Windows client may write '\\' throughout.
  std::size_t separator = project_dir.find_last_of("/\\");
  name = separator == std::string::npos ? project_dir : project_dir.substr(separator + 1);
  return !name.empty() && name != "." && name != "..";
}

void name_job(JOB& job) {
  job.job_image = job.config.image_name.empty() ? make_name(job.project_name, job.init_data.wu_name)
                                                : job.config.image_name.substr(0, kImageNameLimit);
  job.job_container = make_name(job.project_name, job.init_data.result_name);
}
