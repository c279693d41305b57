// The volunteer's preferences in the init data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lib/init_data.h"
#include "init_data_documents.h"

using namespace init_data_documents;

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
