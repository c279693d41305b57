#include "driver/job_names.h"

#include <cctype>

namespace {

constexpr std::size_t kNameLimit = 511;

// Lower-cased, and every byte an engine name can't hold (or a shell would
// read) made "_".
std::string lowered_prefix(const std::string& text) {
  std::string part = text.substr(0, kNameLimit);
  for (char& c : part) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    bool allowed = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-';
    if (!allowed) c = '_';
  }
  return part;
}

}  // namespace

std::string make_name(const std::string& first, const std::string& second) {
  return "corvo__" + lowered_prefix(first) + "__" + lowered_prefix(second);
}

void name_job(JOB& job) {
  job.job_image = job.config.image_name.empty() ? make_name(job.project_name, job.init_data.wu_name)
                                                : job.config.image_name;
  job.job_image = job.job_image.substr(0, kNameLimit);
  job.job_container = make_name(job.project_name, job.init_data.result_name).substr(0, kNameLimit);
}
