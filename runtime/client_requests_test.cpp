// The client's requests as one value, and which of them end the job.
#include <gtest/gtest.h>

#include "runtime/corvo_api.h"

TEST(ClientRequests, EachRequestHasItsBitAndOnlyThreeEndTheJob) {
  struct {
    const char* name;
    void (*set)(CLIENT_STATUS&);
    std::int32_t bit;
    bool ends;
  } cases[] = {
      {"client lost", [](CLIENT_STATUS& s) { s.client_lost = 1; }, kRequestClientLost, true},
      {"suspended", [](CLIENT_STATUS& s) { s.is_suspended = 1; }, kRequestSuspend, false},
      {"quit", [](CLIENT_STATUS& s) { s.quit_asked = 1; }, kRequestQuit, true},
      {"abort", [](CLIENT_STATUS& s) { s.abort_asked = 1; }, kRequestAbort, true},
      {"network suspended", [](CLIENT_STATUS& s) { s.network_suspended = 1; }, kRequestNetworkSuspend, false},
      {"reread asked", [](CLIENT_STATUS& s) { s.reread_asked = 1; }, 0, false},
      {"memory figures", [](CLIENT_STATUS& s) { s.wss = s.max_wss = 1e9; }, 0, false},
  };
  EXPECT_EQ(request_bits(CLIENT_STATUS{}), 0);
  EXPECT_FALSE(ends_job(CLIENT_STATUS{}));
  std::int32_t all = 0;
  CLIENT_STATUS everything;
  for (const auto& c : cases) {
    CLIENT_STATUS status;
    c.set(status);
    c.set(everything);
    EXPECT_EQ(request_bits(status), c.bit) << c.name;
    EXPECT_EQ(ends_job(status), c.ends) << c.name;
    all |= c.bit;
  }
  EXPECT_EQ(request_bits(everything), all);
  EXPECT_TRUE(ends_job(everything));
}
