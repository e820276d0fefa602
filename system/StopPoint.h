#pragma once
// Named places where a test build stops itself dead, as a power loss, a kill from the task
// list or a crash would stop a run. Only a build with KAZE_STOP_POINTS defined has them;
// in the shipped programs the macro is empty.
#ifdef KAZE_STOP_POINTS
namespace kaze {
// Ends the process at once (no clean-up, no destructors, exit code kStopPointExitCode)
// when the environment variable KAZE_STOP_AT names this point: "name" stops at its first
// pass, "name:N" at its N-th.
void StopPoint(const char* name);
constexpr unsigned kStopPointExitCode = 0x5709;
}  // namespace kaze
#define KAZE_STOP_POINT(name) ::kaze::StopPoint(name)
#else
#define KAZE_STOP_POINT(name) ((void)0)
#endif
