// The proxy settings in the init data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lib/init_data.h"
#include "init_data_documents.h"

using namespace init_data_documents;

TEST(ProxyInfo, ServerNameAloneMeansAProxy) {
  Parsed p = parse_text(app("<proxy_info><http_server_name>proxy</http_server_name><x>1</x></proxy_info>"));
  ASSERT_EQ(p.result, 0);
  EXPECT_TRUE(p.data->proxy_info.have_proxy_server);
  EXPECT_EQ(p.data->proxy_info.http_server_port, 80);
  Parsed none = parse_text(app("<proxy_info></proxy_info>"));
  EXPECT_FALSE(none.data->proxy_info.have_proxy_server);
}
