// The Card facade: power, presence, transcript and scripted faults around the engine.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "Engine.h"
#include "Util.h"

namespace cardsim {

namespace {

Protocol protocolFromAtr(const Bytes& atr) {
  if (atr.size() < 2)
    return Protocol::T0;
  uint8_t t0 = atr[1];
  size_t i = 2;
  if (t0 & 0x10)
    ++i;
  if (t0 & 0x20)
    ++i;
  if (t0 & 0x40)
    ++i;
  if ((t0 & 0x80) && i < atr.size())
    return (atr[i] & 0x0F) == 1 ? Protocol::T1 : Protocol::T0;
  return Protocol::T0;
}

std::string dirOf(const std::string& path) {
  size_t s = path.find_last_of('/');
  return s == std::string::npos ? "." : path.substr(0, s);
}

std::string baseOf(const std::string& path) {
  size_t s = path.find_last_of('/');
  return s == std::string::npos ? path : path.substr(s + 1);
}

// $CARDSIM_RECORD: one file shared by every card of every process, appended to.
void appendRecord(const std::string& tag, const std::string& line) {
  static const char* path = std::getenv("CARDSIM_RECORD");
  if (!path || !*path)
    return;
  std::string all = tag + " " + line + "\n";
  int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0)
    return;
  ssize_t written = ::write(fd, all.data(), all.size());
  (void)written;
  ::close(fd);
}

std::atomic<int> g_cardsMade{0};

// Corrupt and Zero faults on an answer (data + SW1 SW2); the status word stays.
void damage(const Fault& f, Bytes& answer) {
  if (answer.size() <= 2)
    return;
  const long data = static_cast<long>(answer.size()) - 2;
  if (f.kind == Fault::Kind::Zero) {
    std::fill(answer.begin(), answer.begin() + data, 0);
    return;
  }
  long at = f.offset < 0 ? data + f.offset : f.offset;
  if (at >= 0 && at < data)
    answer[static_cast<size_t>(at)] ^= 0xFF;
}

}  // namespace

struct CardState {
  std::string recordTag;
  bool powered = false;
  bool present = true;
  size_t commands = 0;
  std::vector<Exchange> transcript;
  std::vector<Fault> faults;
  std::ofstream file;
};

// The engine object of a Card also carries the facade's state.
class CardEngine : public Engine {
 public:
  using Engine::Engine;
  CardState state;
};

static CardEngine& ce(Engine& e) { return static_cast<CardEngine&>(e); }

Card::Card(std::unique_ptr<Engine> e) : m_engine(std::move(e)) {}
Card::~Card() = default;

std::unique_ptr<Card> Card::fromText(const std::string& text, const std::string& pkiDir,
                                     const std::string& sourceName) {
  return fromTextIn(text, pkiDir, sourceName, ".");
}

std::unique_ptr<Card> Card::fromTextIn(const std::string& text, const std::string& pkiDir,
                                       const std::string& sourceName, const std::string& imageDir) {
  auto model = parseImage(text, sourceName, pkiDir, imageDir);
  auto dialect = makeDialect(model->dialect);
  if (!dialect)
    throw ImageError(sourceName + ": unknown dialect '" + model->dialect + "'");
  Protocol p = model->protocol ? *model->protocol : protocolFromAtr(model->atr);
  auto engine = std::make_unique<CardEngine>(std::move(model), std::move(dialect));
  engine->protocol = p;
  engine->state.recordTag = sourceName + "#" + std::to_string(g_cardsMade++);
  return std::unique_ptr<Card>(new Card(std::move(engine)));
}

std::unique_ptr<Card> Card::fromFile(const std::string& imagePath, const std::string& pkiDir) {
  std::ifstream f(imagePath, std::ios::binary);
  if (!f)
    throw ImageError(imagePath + ": cannot open image");
  std::stringstream ss;
  ss << f.rdbuf();
  return fromTextIn(ss.str(), pkiDir, baseOf(imagePath), dirOf(imagePath));
}

std::unique_ptr<Card> Card::load(const std::string& imagePath, const std::string& pkiDir, std::string& error) noexcept {
  try {
    error.clear();
    return fromFile(imagePath, pkiDir);
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "unknown failure";
  }
  return nullptr;
}

Engine& Card::engine() { return *m_engine; }
const Bytes& Card::atr() const { return m_engine->model().atr; }
std::string Card::dialectName() const { return m_engine->model().dialect; }
std::string Card::label() const { return m_engine->model().label; }

static void record(CardState& s, Exchange::Kind k) {
  Exchange x;
  x.kind = k;
  s.transcript.push_back(x);
  const char* t = k == Exchange::Kind::PowerOn    ? "power on"
                  : k == Exchange::Kind::PowerOff ? "power off"
                  : k == Exchange::Kind::Reset    ? "reset"
                  : k == Exchange::Kind::Removed  ? "removed"
                                                  : "inserted";
  if (s.file.is_open())
    s.file << "* " << t << "\n" << std::flush;
  appendRecord(s.recordTag, std::string("* ") + t);
}

void Card::powerOn() {
  auto& s = ce(*m_engine).state;
  if (!s.present)
    return;
  m_engine->resetState();
  s.powered = true;
  record(s, Exchange::Kind::PowerOn);
}

void Card::powerOff() {
  auto& s = ce(*m_engine).state;
  if (!s.powered)
    return;
  s.powered = false;
  m_engine->resetState();
  record(s, Exchange::Kind::PowerOff);
}

void Card::reset() {
  auto& s = ce(*m_engine).state;
  if (!s.present)
    return;
  m_engine->resetState();
  s.powered = true;
  record(s, Exchange::Kind::Reset);
}

bool Card::powered() const { return ce(*m_engine).state.powered; }
bool Card::present() const { return ce(*m_engine).state.present; }

void Card::remove() {
  auto& s = ce(*m_engine).state;
  if (!s.present)
    return;
  s.present = false;
  s.powered = false;
  m_engine->resetState();
  record(s, Exchange::Kind::Removed);
}

void Card::insert() {
  auto& s = ce(*m_engine).state;
  if (s.present)
    return;
  s.present = true;
  record(s, Exchange::Kind::Inserted);
}

Protocol Card::protocol() const { return m_engine->protocol; }
void Card::setProtocol(Protocol p) { m_engine->protocol = p; }

Bytes Card::transmit(const Bytes& apdu) noexcept {
  try {
    auto& s = ce(*m_engine).state;
    if (!s.present || !s.powered)
      return Bytes();
    Exchange x;
    x.kind = Exchange::Kind::Apdu;
    x.command = apdu;
    x.index = ++s.commands;
    const Fault* fault = nullptr;
    for (auto& f : s.faults)
      if (f.atCommand == x.index)
        fault = &f;
    if (fault && fault->kind == Fault::Kind::StatusWord) {
      x.response = swBytes(fault->sw);
    } else if (fault && (fault->kind == Fault::Kind::Drop || fault->kind == Fault::Kind::Mute)) {
      x.response.clear();
    } else {
      x.response = m_engine->process(apdu);
      if (fault && fault->kind == Fault::Kind::Truncate && fault->keep < x.response.size())
        x.response.resize(fault->keep);
      if (fault && (fault->kind == Fault::Kind::Corrupt || fault->kind == Fault::Kind::Zero))
        damage(*fault, x.response);
    }
    s.transcript.push_back(x);
    if (s.file.is_open())
      s.file << "> " << toHex(x.command) << "\n< " << toHex(x.response) << "\n" << std::flush;
    appendRecord(s.recordTag, "> " + toHex(x.command) + " < " + toHex(x.response));
    if (fault && fault->kind == Fault::Kind::Drop)
      remove();
    return x.response;
  } catch (...) {
    return swBytes(0x6F00);
  }
}

const std::vector<Exchange>& Card::transcript() const { return ce(*m_engine).state.transcript; }
void Card::clearTranscript() { ce(*m_engine).state.transcript.clear(); }
size_t Card::commandCount() const { return ce(*m_engine).state.commands; }

void Card::setTranscriptFile(const std::string& path, bool append) {
  auto& s = ce(*m_engine).state;
  if (s.file.is_open())
    s.file.close();
  if (!path.empty())
    s.file.open(path, std::ios::out | (append ? std::ios::app : std::ios::trunc));
}

void Card::setRecordTag(const std::string& tag) { ce(*m_engine).state.recordTag = tag; }

void Card::addFault(const Fault& f) { ce(*m_engine).state.faults.push_back(f); }

void Card::addFaultAfter(size_t n, Fault f) {
  f.atCommand = commandCount() + (n ? n : 1);
  addFault(f);
}

void Card::clearFaults() { ce(*m_engine).state.faults.clear(); }

void Card::addFaultSpec(const std::string& rule) {
  size_t comma = rule.find(',');
  if (comma != std::string::npos) {  // several rules, each armed as if alone
    addFaultSpec(rule.substr(0, comma));
    addFaultSpec(rule.substr(comma + 1));
    return;
  }
  size_t colon = rule.find(':');
  if (colon == std::string::npos || colon == 0)
    throw std::invalid_argument("fault '" + rule + "': expected N:what");
  std::string num = rule.substr(0, colon);
  bool relative = num[0] == '+';
  if (relative)
    num = num.substr(1);
  char* end = nullptr;
  unsigned long n = std::strtoul(num.c_str(), &end, 10);
  if (num.empty() || *end || n == 0)
    throw std::invalid_argument("fault '" + rule + "': bad command number");
  std::string what = toLower(rule.substr(colon + 1));
  Fault f;
  if (what.rfind("sw=", 0) == 0) {
    Bytes sw = fromHex(what.substr(3));
    if (sw.size() != 2)
      throw std::invalid_argument("fault '" + rule + "': sw needs 4 hex digits");
    f.kind = Fault::Kind::StatusWord;
    f.sw = static_cast<uint16_t>(sw[0] << 8 | sw[1]);
  } else if (what.rfind("truncate=", 0) == 0) {
    f.kind = Fault::Kind::Truncate;
    std::string k = what.substr(9);
    f.keep = std::strtoul(k.c_str(), &end, 10);
    if (k.empty() || *end)
      throw std::invalid_argument("fault '" + rule + "': bad byte count");
  } else if (what.rfind("corrupt=", 0) == 0) {
    f.kind = Fault::Kind::Corrupt;
    std::string k = what.substr(8);
    f.offset = std::strtol(k.c_str(), &end, 10);
    if (k.empty() || *end)
      throw std::invalid_argument("fault '" + rule + "': bad byte offset");
  } else if (what == "zero") {
    f.kind = Fault::Kind::Zero;
  } else if (what == "drop") {
    f.kind = Fault::Kind::Drop;
  } else if (what == "mute") {
    f.kind = Fault::Kind::Mute;
  } else {
    throw std::invalid_argument("fault '" + rule + "': expected sw=XXXX, truncate=N, corrupt=N, zero, drop or mute");
  }
  if (relative)
    addFaultAfter(n, f);
  else {
    f.atCommand = n;
    addFault(f);
  }
}

Bytes Card::fileContents(const std::string& path) const {
  FileNode* n = findPath(m_engine->model().mf.get(), path);
  if (!n || n->isDF())
    return Bytes();
  if (!n->isRecord())
    return n->data;
  Bytes all;
  for (auto& r : n->records)
    all.insert(all.end(), r.begin(), r.end());
  return all;
}

int Card::pinTriesLeft(const std::string& dfPath, uint8_t reference) const {
  FileNode* n = dfPath.empty() ? m_engine->model().mf.get() : findPath(m_engine->model().mf.get(), dfPath);
  if (!n || !n->isDF())
    return -1;
  for (auto& p : n->pins)
    if (p.ref == reference)
      return p.tries;
  return -1;
}

}  // namespace cardsim
