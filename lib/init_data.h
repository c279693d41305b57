// What the client tells the job in init_data.xml.
// Stand-in: only the fields the job driver reads so far; the full record and
// its parser come with the XML reader.
#pragma once

#include <string>

struct INIT_DATA {
  std::string project_dir;
  std::string wu_name;
  std::string result_name;
  std::string comm_obj_name;
  double ncpus = 0;
  double wu_cpu_time = 0;

  void reset() { *this = INIT_DATA(); }
};
