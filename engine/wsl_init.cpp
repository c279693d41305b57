#include "engine/wsl_init.h"

// Stand-in until the distro records and the shell channel are built: the
// WSL containers tool, run directly, is the only engine.
int wsl_init(const INIT_DATA&, DOCKER_CONN& connection) { return connection.init_wslc(); }
