#include "Vpcd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace cardsim {

VpcdLink::~VpcdLink() { close(); }

void VpcdLink::close() {
  if (m_fd >= 0)
    ::close(m_fd);
  m_fd = -1;
}

bool VpcdLink::connect(const std::string& host, int port, int timeoutMs) {
  close();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1)
    return false;
  do {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
      return false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      m_fd = fd;
      return true;
    }
    ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

// The reader driver writes a message's length and its body in two sends; with Nagle's
// algorithm on its side the body waits for our ACK of the length, which the kernel
// would otherwise delay by up to 40 ms. The quick-ACK mode ends by itself, so it is
// asked for again after every read.
void VpcdLink::ackNow() {
  int one = 1;
  setsockopt(m_fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
}

bool VpcdLink::readFull(uint8_t* p, size_t n, int timeoutMs) {
  size_t got = 0;
  while (got < n) {
    pollfd pfd{m_fd, POLLIN, 0};
    int r = ::poll(&pfd, 1, timeoutMs);
    if (r < 0 && errno == EINTR)
      continue;
    if (r <= 0)
      return false;
    ssize_t k = ::recv(m_fd, p + got, n - got, 0);
    if (k < 0 && errno == EINTR)
      continue;
    if (k <= 0)
      return false;
    got += static_cast<size_t>(k);
    ackNow();
  }
  return true;
}

int VpcdLink::receive(Bytes& msg, int timeoutMs) {
  if (m_fd < 0)
    return -1;
  pollfd pfd{m_fd, POLLIN, 0};
  int r = ::poll(&pfd, 1, timeoutMs);
  if (r == 0 || (r < 0 && errno == EINTR))
    return 0;
  if (r < 0)
    return -1;
  uint8_t len[2];
  if (!readFull(len, 2, 5000))
    return -1;
  size_t n = static_cast<size_t>(len[0] << 8 | len[1]);
  msg.assign(n, 0);
  if (n && !readFull(msg.data(), n, 5000))
    return -1;
  return 1;
}

bool VpcdLink::send(const Bytes& msg) {
  if (m_fd < 0 || msg.size() > 0xFFFF)
    return false;
  Bytes out;
  out.push_back(static_cast<uint8_t>(msg.size() >> 8));
  out.push_back(static_cast<uint8_t>(msg.size()));
  out.insert(out.end(), msg.begin(), msg.end());
  size_t sent = 0;
  while (sent < out.size()) {
    ssize_t k = ::send(m_fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
    if (k < 0 && errno == EINTR)
      continue;
    if (k <= 0)
      return false;
    sent += static_cast<size_t>(k);
  }
  return true;
}

}  // namespace cardsim
