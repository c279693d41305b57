// The WSL distros in the init data, and the choice among them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/distro_choice.h"
#include "lib/init_data.h"
#include "lib/result_codes.h"
#include "init_data_documents.h"

using namespace init_data_documents;

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
