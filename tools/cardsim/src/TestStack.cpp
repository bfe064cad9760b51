#include "cardsim/TestStack.h"

#include <PCSC/winscard.h>
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "Util.h"

namespace cardsim {
namespace {

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

// Asks pcscd through the real libpcsclite (loaded here, so that a test program
// that brings its own SCard* functions does not answer for pcscd) whether the
// reader shows a card, until it shows what is wanted or timeoutMs passed.
bool waitReader(const std::string& reader, bool present, int timeoutMs) {
  void* lib = ::dlopen("libpcsclite.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!lib)
    return false;
  using Establish = LONG (*)(DWORD, LPCVOID, LPCVOID, LPSCARDCONTEXT);
  using Release = LONG (*)(SCARDCONTEXT);
  using Status = LONG (*)(SCARDCONTEXT, DWORD, SCARD_READERSTATE*, DWORD);
  auto establish = reinterpret_cast<Establish>(::dlsym(lib, "SCardEstablishContext"));
  auto release = reinterpret_cast<Release>(::dlsym(lib, "SCardReleaseContext"));
  auto status = reinterpret_cast<Status>(::dlsym(lib, "SCardGetStatusChange"));
  bool ok = false;
  SCARDCONTEXT ctx = 0;
  if (establish && release && status && establish(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &ctx) == SCARD_S_SUCCESS) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!ok && std::chrono::steady_clock::now() < deadline) {
      SCARD_READERSTATE st{};
      st.szReader = reader.c_str();
      st.dwCurrentState = SCARD_STATE_UNAWARE;
      if (status(ctx, 0, &st, 1) == SCARD_S_SUCCESS) {
        bool has = (st.dwEventState & SCARD_STATE_PRESENT) != 0;
        if (has == present) {
          ok = true;
          break;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    release(ctx);
  }
  ::dlclose(lib);
  return ok;
}

// Points libpcsclite at this program's stack before anything asks it for a context.
const bool g_socketSet = ::setenv("PCSCLITE_CSOCK_NAME", TestStack::socketPath().c_str(), 1) == 0;

}  // namespace

std::string TestStack::processStateDir() { return "/tmp/vn-pcsc-stack-" + std::to_string(::getpid()); }

std::string TestStack::socketPath() { return processStateDir() + "/run/pcscd.comm"; }

TestStack::TestStack(const StackOptions& o) {
  m_state = processStateDir();
  m_pki = o.pkiDir.empty() ? defaultPkiDir() : o.pkiDir;
  if (!g_socketSet || ::setenv("PCSCLITE_CSOCK_NAME", socketPath().c_str(), 1) != 0) {
    m_error = "cannot set PCSCLITE_CSOCK_NAME";
    return;
  }
  std::string args =
      "start --state " + quote(m_state) + " --pki " + quote(m_pki) + " --cardsim " + quote(CARDSIM_PROGRAM);
  if (o.apduLog)
    args += " --apdu";
  if (!o.image0.empty())
    args += " --image0 " + quote(resolveImage(o.image0));
  if (!o.image1.empty())
    args += " --image1 " + quote(resolveImage(o.image1));
  for (auto& f : o.faults0)
    args += " --fault0 " + quote(f);
  for (auto& f : o.faults1)
    args += " --fault1 " + quote(f);
  m_started = true;
  std::string out;
  m_ok = run(args, out);
  if (!m_ok) {
    m_error = "pcsc-stack.sh start failed: " + out;
    return;
  }
  if ((!o.image0.empty() && !waitReader(readerName(0), true, 5000)) ||
      (!o.image1.empty() && !waitReader(readerName(1), true, 5000))) {
    m_ok = false;
    m_error = "pcscd does not show the card in its reader";
  }
}

TestStack::~TestStack() {
  if (m_started) {
    std::string out;
    // The state folder stays for a look after a failure only when CARDSIM_KEEP_STATE is set.
    const char* keep = std::getenv("CARDSIM_KEEP_STATE");
    run("stop --state " + quote(m_state) + (keep && *keep ? "" : " --clean"), out);
  }
}

bool TestStack::run(const std::string& args, std::string& output) const {
  std::string cmd = "timeout 60 " + quote(CARDSIM_STACK_SCRIPT) + " " + args + " </dev/null 2>&1";
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p)
    return false;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p))
    output += buf;
  int rc = ::pclose(p);
  return rc == 0;
}

std::string TestStack::readerName(int n) { return n == 0 ? "Virtual PCD 00 00" : "Virtual PCD 00 01"; }

std::string TestStack::transcriptPath(int n) const { return m_state + "/transcript" + std::to_string(n) + ".log"; }

std::vector<TranscriptEntry> TestStack::exchanges(int n) const {
  std::vector<TranscriptEntry> all;
  std::ifstream f(transcriptPath(n));
  std::string line;
  while (std::getline(f, line)) {
    try {
      if (line.rfind("> ", 0) == 0) {
        all.push_back({fromHex(line.substr(2)), Bytes()});
      } else if (line.rfind("<", 0) == 0 && !all.empty()) {
        all.back().response = fromHex(line.size() > 2 ? line.substr(2) : "");
      }
    } catch (const std::exception&) {
      // a line being written: ignore
    }
  }
  size_t m = (n == 0 || n == 1) ? m_mark[n] : 0;
  if (m > all.size())
    m = all.size();
  return std::vector<TranscriptEntry>(all.begin() + static_cast<long>(m), all.end());
}

void TestStack::mark(int n) {
  if (n != 0 && n != 1)
    return;
  m_mark[n] = 0;
  m_mark[n] = exchanges(n).size();
}

bool TestStack::remove(int n) {
  std::string out;
  return run("remove " + std::to_string(n) + " --state " + quote(m_state), out) &&
         waitReader(readerName(n), false, 5000);
}

bool TestStack::insert(int n) {
  std::string out;
  return run("insert " + std::to_string(n) + " --state " + quote(m_state), out) &&
         waitReader(readerName(n), true, 5000);
}

bool TestStack::insert(int n, const std::string& image) {
  std::string out;
  return run("insert " + std::to_string(n) + " " + quote(resolveImage(image)) + " --state " + quote(m_state), out) &&
         waitReader(readerName(n), true, 5000);
}

bool TestStack::fault(int n, const std::string& rule) {
  std::string out;
  return run("fault " + std::to_string(n) + " " + quote(rule) + " --state " + quote(m_state), out);
}

}  // namespace cardsim
