// Waiting for the network while a build can't fetch what it needs: the
// test that tells a lost network from a failed build, and the wait that
// tells the client the job needs the network. Main thread only.
#pragma once

#include "driver/job.h"

// The well-known host whose answer tells a lost network from a failed
// build.
constexpr const char* kReferenceHost = "www.google.com";

// Whether one echo request to the reference host is answered.
bool test_server_reachable();

// Tells the client the job needs the network, then waits ten seconds.
void wait_for_network(JOB& job);
