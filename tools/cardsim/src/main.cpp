// cardsim: a simulated smart card in the virtual reader of pcscd (vpcd).
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "Util.h"
#include "Vpcd.h"
#include "cardsim/Engine.h"

using namespace cardsim;

namespace {

volatile std::sig_atomic_t g_stop = 0;
// The transcript is flushed line by line, so the card can leave at once.
void onSignal(int) { _exit(0); }

void usage() {
  std::cout
      << "usage: cardsim --image IMAGE [options]\n"
         "  --image IMAGE      card image file, or the name of one in the image folder\n"
         "  --pki DIR          folder of the test PKI (default $CARDSIM_PKI_DIR or the build's pki)\n"
         "  --reader N         virtual reader N of vpcd (port 35963 + N), default 0\n"
         "  --host H --port P  vpcd address (default 127.0.0.1:35963)\n"
         "  --transcript FILE  record every command and answer in FILE\n"
         "  --fault RULE       N:sw=6982 | N:truncate=K | N:corrupt=K | N:zero | N:drop | N:mute at the N-th command\n"
         "                     (repeatable)\n"
         "  --control FILE     read commands (remove, insert [IMAGE], reset, fault RULE, clear-faults) from FILE\n"
         "  --ready FILE       write FILE once the reader has read the ATR\n"
         "  --wait SECONDS     how long to wait for vpcd (default 10)\n"
         "  --apdu HEX         no reader: power on, send the APDU, print the answer (repeatable)\n"
         "  --check            only load the image and describe it\n";
}

// Runs the commands of the control file, then removes the file.
std::string g_readyFile;
bool g_readyPending = true;

// What a card put in by "insert IMAGE" needs: its PKI, the transcript it continues and
// the reader's port for its record tag.
struct CardSource {
  std::string pki, transcript;
  int port = 0;
};

// Loads the image for "insert IMAGE": the new card continues the reader's transcript.
std::unique_ptr<Card> loadSwapped(const std::string& image, const CardSource& source) {
  std::string error;
  auto next = Card::load(resolveImage(image), source.pki, error);
  if (!next)
    throw std::runtime_error(error);
  if (!source.transcript.empty())
    next->setTranscriptFile(source.transcript, true);
  next->setRecordTag(image + "@" + std::to_string(source.port));
  return next;
}

void pollControl(const std::string& path, std::unique_ptr<Card>& current, VpcdLink& link, bool& wantInserted,
                 const CardSource& source) {
  if (path.empty() || access(path.c_str(), F_OK) != 0)
    return;
  std::ifstream f(path);
  std::string line;
  while (std::getline(f, line)) {
    line = trim(line);
    if (line.empty())
      continue;
    try {
      Card& card = *current;
      if (line == "remove") {
        wantInserted = false;
        link.close();
        card.remove();
      } else if (line == "insert" || line.rfind("insert ", 0) == 0) {
        // "insert IMAGE" puts another card in: the reader sees it after its removal.
        if (line != "insert" && !card.present())
          current = loadSwapped(trim(line.substr(7)), source);
        wantInserted = true;
        current->insert();
        if (!g_readyFile.empty())
          ::unlink(g_readyFile.c_str());
        g_readyPending = true;
      } else if (line == "clear-faults") {
        card.clearFaults();
      } else if (line.rfind("fault ", 0) == 0) {
        card.addFaultSpec(trim(line.substr(6)));
      } else {
        std::cerr << "cardsim: unknown control command '" << line << "'\n";
      }
    } catch (const std::exception& e) {
      std::cerr << "cardsim: " << e.what() << "\n";
    }
  }
  ::unlink(path.c_str());
}

int runReader(std::unique_ptr<Card>& current, const std::string& host, int port, int waitSeconds,
              const std::string& control, const CardSource& source) {
  VpcdLink link;
  bool wantInserted = true;
  bool everConnected = false;
  while (!g_stop) {
    pollControl(control, current, link, wantInserted, source);
    Card& card = *current;
    if (!link.connected()) {
      if (!wantInserted) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        continue;
      }
      if (!card.present())
        card.insert();
      if (!link.connect(host, port, everConnected ? 200 : waitSeconds * 1000)) {
        if (!everConnected) {
          std::cerr << "cardsim: no vpcd at " << host << ":" << port << "\n";
          return 2;
        }
        continue;
      }
      everConnected = true;
    }
    Bytes msg;
    int r = link.receive(msg, 100);
    if (r == 0)
      continue;
    if (r < 0) {  // pcscd went away: the reader is gone, and so is the card
      link.close();
      if (card.present())
        card.powerOff();
      std::cerr << "cardsim: vpcd closed the connection\n";
      return 0;
    }
    if (msg.size() == 1) {
      switch (msg[0]) {
      case 0x00: card.powerOff(); break;
      case 0x01: card.powerOn(); break;
      case 0x02: card.reset(); break;
      case 0x04:
        link.send(card.atr());
        if (g_readyPending && !g_readyFile.empty()) {
          std::ofstream(g_readyFile) << "ready\n";
          g_readyPending = false;
        }
        break;
      default: break;
      }
      continue;
    }
    if (!card.powered())
      card.powerOn();
    Bytes answer = card.transmit(msg);
    if (!card.present()) {  // dropped by a fault
      link.close();
      wantInserted = false;
      continue;
    }
    if (answer.empty()) {  // mute: the reader sees no answer; the card goes away after a while
      std::this_thread::sleep_for(std::chrono::seconds(2));
      link.close();
      continue;
    }
    if (!link.send(answer))
      link.close();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string image, pki, host = "127.0.0.1", transcript, control;
  int port = 35963, wait = 10;
  bool check = false;
  std::vector<std::string> faults, apdus;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::cerr << "cardsim: " << a << " needs a value\n";
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--image")
      image = next();
    else if (a == "--pki")
      pki = next();
    else if (a == "--host")
      host = next();
    else if (a == "--port")
      port = std::atoi(next().c_str());
    else if (a == "--reader")
      port = 35963 + std::atoi(next().c_str());
    else if (a == "--transcript")
      transcript = next();
    else if (a == "--fault")
      faults.push_back(next());
    else if (a == "--control")
      control = next();
    else if (a == "--ready")
      g_readyFile = next();
    else if (a == "--wait")
      wait = std::atoi(next().c_str());
    else if (a == "--apdu")
      apdus.push_back(next());
    else if (a == "--check")
      check = true;
    else if (a == "-h" || a == "--help") {
      usage();
      return 0;
    } else {
      std::cerr << "cardsim: unknown option " << a << "\n";
      usage();
      return 2;
    }
  }
  if (image.empty()) {
    usage();
    return 2;
  }
  if (pki.empty())
    pki = defaultPkiDir();
  std::string error;
  auto card = Card::load(resolveImage(image), pki, error);
  if (!card) {
    std::cerr << "cardsim: " << error << "\n";
    return 1;
  }
  try {
    for (auto& f : faults)
      card->addFaultSpec(f);
  } catch (const std::exception& e) {
    std::cerr << "cardsim: " << e.what() << "\n";
    return 2;
  }
  if (!transcript.empty())
    card->setTranscriptFile(transcript);
  card->setRecordTag(image + "@" + std::to_string(port));
  if (check) {
    std::cout << "dialect " << card->dialectName() << "\natr " << toHex(card->atr()) << "\nlabel " << card->label()
              << "\nprotocol T=" << (card->protocol() == Protocol::T1 ? 1 : 0) << "\n";
    return 0;
  }
  if (!apdus.empty()) {
    card->powerOn();
    for (auto& h : apdus) {
      Bytes cmd;
      try {
        cmd = fromHex(h);
      } catch (const std::exception& e) {
        std::cerr << "cardsim: " << h << ": " << e.what() << "\n";
        return 2;
      }
      std::cout << "> " << toHex(cmd) << "\n< " << toHex(card->transmit(cmd)) << "\n";
    }
    return 0;
  }
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  CardSource source;
  source.pki = pki;
  source.transcript = transcript;
  source.port = port;
  return runReader(card, host, port, wait, control, source);
}
