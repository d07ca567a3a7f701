#pragma once

// A hidden top-level window that stands in for another program of the suite
// (the Configurator, the on-screen display) and writes down every message the
// Agent sends it, one line each, so that tests can read what arrived.
//
// The log is appended to, one line per write, so several runs can share a file
// and a test can read it while the stub runs:
//
//   started
//   <ms since start> message=0x506 wParam=0x2 lParam=0x2
//
// Command line: [--log PATH] [--seconds N]. Without --log the path comes from
// the stub's environment variable, and without that from a file of the stub's
// own default name beside its executable.
namespace lt260::tools {

struct PeerStubConfig {
  const wchar_t* ProgramName;     // for error messages
  const wchar_t* WindowTitle;     // the title other programs look for
  const wchar_t* WindowClass;     // private to the stub
  const wchar_t* LogVariable;     // environment variable naming the log
  const wchar_t* DefaultLogName;  // file beside the executable
};

// Runs the stub until its window is closed or the time given by --seconds has
// passed. Returns the process exit code: 0, or 1 after a failure it has
// described on the standard error and the debug output, 2 for a bad command line.
int RunPeerStub(const PeerStubConfig& config);

}  // namespace lt260::tools
