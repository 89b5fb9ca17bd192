#include "tests/support/temp_files.h"

#ifdef _WIN32
#include <process.h>
long TempDir::Pid() { return static_cast<long>(_getpid()); }
#else
#include <unistd.h>
long TempDir::Pid() { return static_cast<long>(getpid()); }
#endif
