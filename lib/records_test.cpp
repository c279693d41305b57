// The client's records read from small documents: init data, host, WSL
// distros, proxy, preferences and coprocessors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/distro_choice.h"
#include "lib/init_data.h"
#include "lib/result_codes.h"
#include "test_support.h"

namespace {

const std::filesystem::path kFixtures = std::filesystem::path(QUAYSIDE_SOURCE_DIR) / "tests/fixtures/init_data";

struct Parsed {
  int result;
  std::unique_ptr<INIT_DATA> data;
  std::string log;
};

Parsed parse_text(const std::string& document) {
  auto data = std::make_unique<INIT_DATA>();
  std::FILE* file = std::tmpfile();
  std::fwrite(document.data(), 1, document.size(), file);
  std::rewind(file);
  StderrCapture log;
  int result = parse_init_data_file(file, *data);
  std::fclose(file);
  return {result, std::move(data), log.text()};
}

Parsed parse_fixture(const char* name) { return parse_text(read_file(kFixtures / name)); }

std::string app(const std::string& body) { return "<app_init_data>\n" + body + "\n</app_init_data>\n"; }

// The parser's lines carry a time text first; compare what follows it.
std::string without_times(const std::string& log) {
  std::string out;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    std::string line = log.substr(start, end - start);
    std::size_t colon = line.find(": ");
    out += (colon == std::string::npos ? line : line.substr(colon + 2)) + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

}  // namespace

TEST(InitData, FullDocument) {
  Parsed p = parse_fixture("full.xml");
  ASSERT_EQ(p.result, 0) << p.log;
  EXPECT_EQ(p.log, "");
  const INIT_DATA& d = *p.data;
  EXPECT_EQ(d.major_version, 8);
  EXPECT_EQ(d.release, 4);
  EXPECT_STREQ(d.app_name, "quayside_job");
  EXPECT_STREQ(d.acct_mgr_url, "");
  EXPECT_STREQ(d.user_name, "Ann & Bob");  // decoded twice
  EXPECT_STREQ(d.team_name, "Team <Q>");
  EXPECT_STREQ(d.project_dir, "/var/lib/corvo/projects/science.example.org_tide");
  EXPECT_STREQ(d.wu_name, "Tide_WU_17");
  EXPECT_STREQ(d.result_name, "Tide_WU_17_1");
  EXPECT_STREQ(d.comm_obj_name, "job7");
  EXPECT_EQ(d.client_pid, 4242);
  EXPECT_EQ(d.wu_cpu_time, 120.5);
  EXPECT_TRUE(d.vm_extensions_disabled);
  EXPECT_FALSE(d.using_sandbox);
  EXPECT_EQ(d.fraction_done_start, 0.25);
  EXPECT_EQ(d.fraction_done_end, 0.75);
  EXPECT_EQ(d.gpu_device_num, 0);
  EXPECT_EQ(d.process_priority, 1);
  EXPECT_EQ(d.process_priority_special, -1);
  EXPECT_EQ(d.ncpus, 2.0);
  EXPECT_EQ(d.project_preferences,
            "<project_preferences>\n\n<color>red</color>\n<max_jobs>2</max_jobs>\n</project_preferences>");

  const HOST_DESC& h = d.host_info;
  EXPECT_EQ(h.timezone, 3600);
  EXPECT_EQ(h.p_ncpus, 8);
  EXPECT_STREQ(h.p_features, "fpu sse2 avx avx2");
  EXPECT_EQ(h.p_fpops, 4.5e9);
  EXPECT_FALSE(h.use_wslc);
  ASSERT_EQ(h.wsl.distros.size(), 2u);
  EXPECT_EQ(h.wsl.distros[0].distro_name, "Ubuntu");
  EXPECT_TRUE(h.wsl.distros[0].is_default);
  ASSERT_EQ(h.wsl.distros[0].gpus.size(), 1u);
  EXPECT_TRUE(h.wsl.distros[0].gpus[0].has_cuda);
  EXPECT_EQ(h.wsl.distros[1].docker_type, 2);
  EXPECT_EQ(h.wsl.distros[1].distro_version, 4);
  ASSERT_EQ(h.coprocs.entry_count, 2);
  EXPECT_STREQ(h.coprocs.entries[0].type, "CPU");
  EXPECT_STREQ(h.coprocs.entries[1].type, "NVIDIA");
  EXPECT_EQ(h.coprocs.entries[1].pci_address_count, 1);
  EXPECT_EQ(h.coprocs.entries[1].opencl_device.vendor_id, 4318u);
  EXPECT_EQ(h.coprocs.entries[1].opencl_device.device_version_number, 300);
  EXPECT_EQ(h.coprocs.entries[1].opencl_device.device_version_paren_x100, 1250);
  EXPECT_EQ(h.coprocs.nvidia.maxThreadsDim[2], 64);
  EXPECT_EQ(h.opencl_cpu_prop_count, 1);
  EXPECT_STREQ(h.opencl_cpu_prop[0].platform_vendor, "Intel(R) Corporation");

  EXPECT_TRUE(d.proxy_info.have_proxy_server);
  EXPECT_TRUE(d.proxy_info.use_http_proxy);
  EXPECT_EQ(d.proxy_info.http_server_port, 8080);

  const GLOBAL_PREFS& g = d.global_preferences;
  EXPECT_STREQ(g.source_project, "https://science.example.org/tide/");
  EXPECT_EQ(g.mod_time, 1765000000.0);
  EXPECT_TRUE(g.run_if_user_active);
  EXPECT_EQ(g.max_ncpus_pct, 50);       // the venue "home" is not ours
  EXPECT_EQ(g.niu_max_ncpus_pct, 50);
  EXPECT_EQ(g.cpu_usage_limit, 80);
  EXPECT_EQ(g.ram_busy_fraction, 1.0);
  EXPECT_TRUE(g.compute_hours.by_weekday[2].active);
  EXPECT_EQ(g.compute_hours.by_weekday[2].end_hour, 17);
  EXPECT_TRUE(g.network_wifi_only);
}

TEST(InitData, Failures) {
  struct {
    const char* name;
    std::string document;
    int result;
    std::string log;
  } cases[] = {
      {"self-closed root", "<app_init_data/>", RC_XML_UNEXPECTED, "no start tag in app init data\n"},
      {"other root", "<?xml version=\"1.0\"?><init/>", RC_XML_UNEXPECTED, "no start tag in app init data\n"},
      {"empty file", "", RC_XML_UNEXPECTED, "no start tag in app init data\n"},
      {"no end tag", "<app_init_data><slot>3</slot>", RC_XML_UNEXPECTED,
       "parse_init_data_file: no end tag\n"},
      {"stray text", app("<slot>3</slot> stray words <hostid>1</hostid>"), 0,
       "unexpected text in init_data.xml: stray words\n"},
      {"unclaimed nested element", app("<foo><bar>1</bar><slot>9</slot></foo><slot>3</slot>"), 0, ""},
      {"cut project preferences", "<app_init_data><project_preferences><a>1</a>", RC_XML_UNEXPECTED, ""},
      {"cut global preferences", "<app_init_data><global_preferences><max_cpus>2</max_cpus>", RC_XML_UNEXPECTED, ""},
      {"cut host info", "<app_init_data><host_info><p_ncpus>2</p_ncpus>", RC_XML_UNEXPECTED,
       "parse_init_data_file: no end tag\n"},
  };
  for (const auto& c : cases) {
    Parsed p = parse_text(c.document);
    EXPECT_EQ(p.result, c.result) << c.name;
    EXPECT_EQ(p.log.empty() ? "" : without_times(p.log), c.log) << c.name;
  }
}

TEST(InitData, FieldsReadBeforeAFailureStay) {
  Parsed p = parse_text("<app_init_data><slot>3</slot><wu_name>w</wu_name>");
  EXPECT_EQ(p.result, RC_XML_UNEXPECTED);
  EXPECT_EQ(p.data->slot, 3);
  EXPECT_STREQ(p.data->wu_name, "w");

  Parsed unclaimed = parse_text(app("<foo><slot>9</slot></foo><slot>3</slot>"));
  EXPECT_EQ(unclaimed.data->slot, 3);
}

TEST(InitData, ValuesAndDefaults) {
  Parsed p = parse_text(app("<ncpus>two</ncpus><wu_cpu_time>1e999</wu_cpu_time><slot>5</slot>"
                            "<wu_name>" + std::string(256, 'x') + "</wu_name><gpu_device_num></gpu_device_num>"));
  ASSERT_EQ(p.result, 0);
  EXPECT_EQ(p.data->ncpus, 0);
  EXPECT_EQ(p.data->wu_cpu_time, 0);
  EXPECT_EQ(p.data->slot, 5);
  EXPECT_STREQ(p.data->wu_name, "");
  EXPECT_EQ(p.data->gpu_device_num, 0);
  EXPECT_EQ(p.data->gpu_opencl_dev_index, -1);
  EXPECT_EQ(p.data->fraction_done_end, 1.0);
  EXPECT_FALSE(p.data->project_preferences.has_value());

  INIT_DATA reset_only;
  reset_only.fraction_done_end = 0.5;
  reset_only.project_preferences = "kept";
  reset_only.reset();
  EXPECT_EQ(reset_only.fraction_done_end, 0);
  EXPECT_EQ(reset_only.project_preferences, "kept");
  EXPECT_FALSE(reset_only.global_preferences.network_wifi_only);
}

TEST(InitData, CopiesAreDeep) {
  Parsed p = parse_fixture("full.xml");
  auto copy = std::make_unique<INIT_DATA>(*p.data);
  p.data->project_preferences->assign("changed");
  p.data->host_info.wsl.distros.clear();
  EXPECT_EQ(copy->project_preferences->rfind("<project_preferences>", 0), 0u);
  EXPECT_EQ(copy->host_info.wsl.distros.size(), 2u);
  *copy = *copy;
  EXPECT_EQ(copy->host_info.wsl.distros.size(), 2u);
}

TEST(HostInfo, Fields) {
  std::string five_props;
  for (int i = 0; i < 5; ++i) {
    five_props += "<opencl_cpu_prop><platform_vendor>V" + std::to_string(i) + "</platform_vendor></opencl_cpu_prop>";
  }
  Parsed p = parse_text(app("<host_info><p_fpops>-3.5e9</p_fpops><p_features>SSE2 AVX</p_features><use_wslc/>"
                            "<extra><p_ncpus>8</p_ncpus></extra>" +
                            five_props + "<opencl_cpu_prop><opencl_cpu_info/></opencl_cpu_prop></host_info>"));
  ASSERT_EQ(p.result, 0);
  const HOST_DESC& h = p.data->host_info;
  EXPECT_EQ(h.p_fpops, 3.5e9);
  EXPECT_STREQ(h.p_features, "sse2 avx");
  EXPECT_TRUE(h.use_wslc);
  EXPECT_EQ(h.p_ncpus, 8);
  ASSERT_EQ(h.opencl_cpu_prop_count, 4);
  EXPECT_STREQ(h.opencl_cpu_prop[3].platform_vendor, "V3");

  Parsed cleared = parse_text(app("<host_info><use_wslc>0</use_wslc></host_info>"));
  EXPECT_FALSE(cleared.data->host_info.use_wslc);
}

TEST(ProxyInfo, ServerNameAloneMeansAProxy) {
  Parsed p = parse_text(app("<proxy_info><http_server_name>proxy</http_server_name><x>1</x></proxy_info>"));
  ASSERT_EQ(p.result, 0);
  EXPECT_TRUE(p.data->proxy_info.have_proxy_server);
  EXPECT_EQ(p.data->proxy_info.http_server_port, 80);
  Parsed none = parse_text(app("<proxy_info></proxy_info>"));
  EXPECT_FALSE(none.data->proxy_info.have_proxy_server);
}

TEST(GlobalPrefs, ValuesVenuesAndDays) {
  struct {
    const char* name;
    std::string body;
    std::function<void(const GLOBAL_PREFS&)> check;
  } cases[] = {
      {"max_ncpus_pct above 100", "<max_ncpus_pct>150</max_ncpus_pct>",
       [](const GLOBAL_PREFS& g) { EXPECT_EQ(g.max_ncpus_pct, 100); }},
      {"max_ncpus_pct negative", "<max_ncpus_pct>-5</max_ncpus_pct>",
       [](const GLOBAL_PREFS& g) { EXPECT_EQ(g.max_ncpus_pct, 0); }},
      {"cpu_usage_limit 0 is ignored", "<cpu_usage_limit>0</cpu_usage_limit>",
       [](const GLOBAL_PREFS& g) {
         EXPECT_EQ(g.cpu_usage_limit, 100);
         EXPECT_EQ(g.niu_cpu_usage_limit, 100);
       }},
      {"NaN limits count as not above 0", "<niu_cpu_usage_limit>nan</niu_cpu_usage_limit>"
                                          "<niu_max_ncpus_pct>nan</niu_max_ncpus_pct><max_ncpus_pct>nan</max_ncpus_pct>",
       [](const GLOBAL_PREFS& g) {
         EXPECT_EQ(g.niu_cpu_usage_limit, 100);
         EXPECT_EQ(g.niu_max_ncpus_pct, 100);
         EXPECT_EQ(g.max_ncpus_pct, 0);
       }},
      {"niu follows max_ncpus_pct", "<max_ncpus_pct>50</max_ncpus_pct>",
       [](const GLOBAL_PREFS& g) { EXPECT_EQ(g.niu_max_ncpus_pct, 50); }},
      {"niu given", "<max_ncpus_pct>50</max_ncpus_pct><niu_max_ncpus_pct>70</niu_max_ncpus_pct>",
       [](const GLOBAL_PREFS& g) { EXPECT_EQ(g.niu_max_ncpus_pct, 70); }},
      {"ram busy 0 is everything", "<ram_max_used_busy_pct>0</ram_max_used_busy_pct>"
                                   "<ram_max_used_idle_pct>50</ram_max_used_idle_pct>",
       [](const GLOBAL_PREFS& g) {
         EXPECT_EQ(g.ram_busy_fraction, 1.0);
         EXPECT_EQ(g.ram_idle_fraction, 0.5);
       }},
      {"parse-start flags", "",
       [](const GLOBAL_PREFS& g) {
         EXPECT_TRUE(g.network_wifi_only);
         EXPECT_FALSE(g.run_if_user_active);
         EXPECT_FALSE(g.confirm_before_connecting);
         EXPECT_EQ(g.battery_charge_min_pct, 90);
       }},
      {"unnamed venue is ours and wins",
       "<max_cpus>2</max_cpus><venue><max_cpus>4</max_cpus></venue><max_cpus>8</max_cpus>",
       [](const GLOBAL_PREFS& g) { EXPECT_EQ(g.max_cpus, 4); }},
      {"other venue gives only sources",
       "<max_cpus>2</max_cpus><venue name=\"work\"><max_cpus>4</max_cpus>"
       "<source_project>p</source_project></venue>",
       [](const GLOBAL_PREFS& g) {
         EXPECT_EQ(g.max_cpus, 2);
         EXPECT_STREQ(g.source_project, "p");
       }},
      {"day without day_of_week", "<day_prefs><start_hour>1</start_hour><end_hour>2</end_hour></day_prefs>"
                                  "<max_cpus>3</max_cpus>",
       [](const GLOBAL_PREFS& g) {
         for (const auto& day : g.compute_hours.by_weekday) EXPECT_FALSE(day.active);
         EXPECT_EQ(g.max_cpus, 3);
       }},
      {"day with equal hours", "<day_prefs><day_of_week>2</day_of_week><start_hour>8</start_hour>"
                               "<end_hour>8</end_hour><net_start_hour>22</net_start_hour>"
                               "<net_end_hour>6</net_end_hour></day_prefs>",
       [](const GLOBAL_PREFS& g) {
         EXPECT_FALSE(g.compute_hours.by_weekday[2].active);
         EXPECT_TRUE(g.network_hours.by_weekday[2].active);
         EXPECT_EQ(g.network_hours.by_weekday[2].start_hour, 22);
       }},
      {"future mod_time", "<mod_time>99999999999</mod_time>",
       [](const GLOBAL_PREFS& g) { EXPECT_LT(g.mod_time, 99999999999.0); }},
      {"unknown elements are skipped whole", "<unknown><max_cpus>9</max_cpus></unknown>",
       [](const GLOBAL_PREFS& g) { EXPECT_EQ(g.max_cpus, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed p = parse_text(app("<global_preferences>" + c.body + "</global_preferences>"));
    ASSERT_EQ(p.result, 0);
    c.check(p.data->global_preferences);
  }
}

TEST(GlobalPrefs, UnknownTagInADaySaysSo) {
  Parsed p = parse_text(app("<global_preferences><day_prefs><day_of_week>1</day_of_week><odd>1</odd>"
                            "</day_prefs></global_preferences>"));
  EXPECT_EQ(p.result, 0);
  EXPECT_EQ(without_times(p.log), "Unrecognized XML tag '<odd>' in GLOBAL_PREFS::parse_day; skipping\n");
}

TEST(Coprocs, EntriesCountsAndEstimates) {
  Parsed empty = parse_text(app("<host_info><coprocs></coprocs></host_info>"));
  EXPECT_EQ(empty.data->host_info.coprocs.entry_count, 1);
  EXPECT_STREQ(empty.data->host_info.coprocs.entries[0].type, "CPU");

  std::string eight;
  for (int i = 0; i < 8; ++i) eight += "<coproc_cuda><count>1</count></coproc_cuda>";
  Parsed many = parse_text(app("<host_info><coprocs>" + eight + "</coprocs></host_info>"));
  EXPECT_EQ(many.data->host_info.coprocs.entry_count, 8);
  EXPECT_STREQ(many.data->host_info.coprocs.entries[7].type, "NVIDIA");
  EXPECT_EQ(many.log, "too many coproc entries\n");

  Parsed untyped = parse_text(app("<host_info><coprocs><coproc><count>1</count></coproc></coprocs></host_info>"));
  EXPECT_EQ(untyped.data->host_info.coprocs.entry_count, 1);
  EXPECT_EQ(untyped.log, "failed to parse <coproc>: -112\n");

  Parsed counted = parse_text(app("<host_info><coprocs><coproc_cuda><count>0</count><major>3</major>"
                                  "<multiProcessorCount>2</multiProcessorCount><clockRate>1000000</clockRate>"
                                  "</coproc_cuda><coproc_ati><count>99</count><CALVersion>1.4.1848</CALVersion>"
                                  "<localRAM>512</localRAM></coproc_ati>"
                                  "<coproc><type>fpga</type><count>2</count><device_nums>3 5</device_nums></coproc>"
                                  "</coprocs></host_info>"));
  const COPROC_LIST& list = counted.data->host_info.coprocs;
  ASSERT_EQ(list.entry_count, 4);
  EXPECT_EQ(counted.log, "NVIDIA count 0 too small\nATI count 99 too large\n");
  EXPECT_EQ(list.entries[1].count, 1);
  EXPECT_EQ(list.entries[1].peak_flops, 7.68e11);
  EXPECT_EQ(list.entries[2].count, 64);
  EXPECT_EQ(list.ati.cal_version_number, 10041848);
  EXPECT_EQ(list.entries[2].available_ram, 512.0 * 1048576);
  EXPECT_STREQ(list.entries[3].type, "fpga");
  EXPECT_EQ(list.entries[3].device_nums[0], 3);
  EXPECT_EQ(list.entries[3].device_nums[1], 5);
  EXPECT_EQ(list.entries[3].device_nums[2], 2);

  // Versions out of every range are kept within an int32, never overflowed.
  Parsed huge = parse_text(app("<host_info><coprocs><coproc_ati><count>1</count>"
                               "<CALVersion>999.999.999</CALVersion></coproc_ati>"
                               "<coproc_cuda><count>1</count><coproc_opencl><name>x</name>"
                               "<opencl_device_version>OpenCL 99999999999.9 x (1e30)</opencl_device_version>"
                               "</coproc_opencl></coproc_cuda></coprocs></host_info>"));
  const COPROC_LIST& big = huge.data->host_info.coprocs;
  EXPECT_EQ(big.ati.cal_version_number, 2147483647);
  ASSERT_EQ(big.entry_count, 3);
  EXPECT_EQ(big.entries[2].opencl_device.device_version_number, 2147483647) << huge.log;
  EXPECT_EQ(big.entries[2].opencl_device.device_version_paren_x100, 2147483647) << huge.log;
}

TEST(WslDistros, ParseAndChoice) {
  Parsed p = parse_text(app("<host_info><wsl>"
                            "<distro><distro_name>a</distro_name><odd>1</odd><docker_type>x</docker_type>"
                            "<wsl_gpu><has_cuda/></wsl_gpu><wsl_gpu><name>g</name></wsl_gpu></distro>"
                            "</wsl></host_info>"));
  ASSERT_EQ(p.result, 0);
  const auto& distros = p.data->host_info.wsl.distros;
  ASSERT_EQ(distros.size(), 1u);
  EXPECT_EQ(distros[0].distro_name, "a");
  EXPECT_EQ(distros[0].docker_type, 0);
  ASSERT_EQ(distros[0].gpus.size(), 1u);
  EXPECT_EQ(distros[0].gpus[0].name, "g");

  auto distro = [](const char* name, bool disallowed, const char* docker_version, int type) {
    WSL_DISTRO_DESC d;
    d.distro_name = name;
    d.disallowed = disallowed;
    d.docker_version = docker_version;
    d.docker_type = type;
    return d;
  };
  struct {
    const char* name;
    WSL_DISTRO_LIST list;
    const char* chosen;
  } cases[] = {
      {"runner wins", {{distro("other", false, "27", 1), distro("corvo-tavi-runner", true, "", 2)}},
       "corvo-tavi-runner"},
      {"first usable", {{distro("a", true, "1", 1), distro("b", false, "", 1), distro("c", false, "2", 1)}}, "c"},
      {"runner name must match exactly", {{distro("corvo-tavi-runner ", false, "", 2)}}, nullptr},
      {"empty", {}, nullptr},
  };
  for (const auto& c : cases) {
    const WSL_DISTRO_DESC* chosen = choose_distro(c.list);
    EXPECT_EQ(chosen == nullptr ? "(none)" : chosen->distro_name, c.chosen == nullptr ? "(none)" : c.chosen)
        << c.name;
  }
}

TEST(WslDistros, ACutDistroIsStillListed) {
  TEXT_SOURCE source("<distro><distro_name>cut</distro_name><wsl_gpu><name>g</name>");
  XML_READER reader(&source);
  WSL_DISTRO_LIST list;
  EXPECT_EQ(list.parse(reader), RC_XML_UNEXPECTED);
  ASSERT_EQ(list.distros.size(), 1u);
  EXPECT_EQ(list.distros[0].distro_name, "cut");
  EXPECT_EQ(list.distros[0].gpus.size(), 1u);
}
