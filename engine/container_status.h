// What an engine can say about a container: its state, and whether it has
// exited.
#pragma once

enum CONTAINER_STATE {
  CONTAINER_ABSENT = 1,
  CONTAINER_CREATED = 2,
  CONTAINER_RUNNING = 3,
  CONTAINER_PAUSED = 4,
  CONTAINER_EXITED = 5,
  CONTAINER_OTHER = 6,
};

enum POLL_OUTCOME {
  POLL_RUNNING = 0,
  POLL_EXITED = 1,  // the exit code is known
  POLL_FAILED = 2,
};

// The first of "created", "running", "paused", "exited" found in the text
// (ignoring case) decides the state; none gives CONTAINER_OTHER.
CONTAINER_STATE state_from_text(const char* text);
