// Everything that depends on the operating system, one header per concern.
// Other code calls only these functions; each has a POSIX and a Windows
// source (common/posix, common/windows) chosen by the build.
#pragma once
#include "common/atomicsave.h"
#include "common/filesystem.h"
#include "common/paths.h"
#include "common/program.h"
