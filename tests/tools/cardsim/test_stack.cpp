// The simulator on the real PC/SC stack: pcscd, the vpcd driver, libpcsclite,
// and OpenSC's tools as an independent judge of the simulated cards.
#include <PCSC/winscard.h>
#include <PCSC/wintypes.h>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "CardTest.h"
#include "cardsim/TestStack.h"

using namespace cardsim_test;
using cardsim::TestStack;

namespace {

// Runs a command with a time limit and returns its standard output.
std::string run(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen(("timeout 30 " + cmd + " 2>/dev/null").c_str(), "r");
    if (!p)
        return out;
    std::array<char, 512> buf{};
    while (std::fgets(buf.data(), buf.size(), p))
        out += buf.data();
    ::pclose(p);
    return out;
}

struct Pcsc {
    SCARDCONTEXT ctx = 0;
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    Pcsc() { SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &ctx); }
    ~Pcsc() {
        if (card)
            SCardDisconnect(card, SCARD_LEAVE_CARD);
        if (ctx)
            SCardReleaseContext(ctx);
    }
    std::string readers() {
        char buf[1024];
        DWORD len = sizeof buf;
        if (SCardListReaders(ctx, nullptr, buf, &len) != SCARD_S_SUCCESS)
            return "";
        std::string all;
        for (const char* p = buf; *p; p += strlen(p) + 1)
            all += std::string(p) + ";";
        return all;
    }
    // Current state of a reader: the ATR as hex, "" when empty.
    std::string atr(const std::string& reader) {
        SCARD_READERSTATE st{};
        st.szReader = reader.c_str();
        st.dwCurrentState = SCARD_STATE_UNAWARE;
        if (SCardGetStatusChange(ctx, 2000, &st, 1) != SCARD_S_SUCCESS)
            return "error";
        if (!(st.dwEventState & SCARD_STATE_PRESENT))
            return "";
        return cardsim::toHex(Bytes(st.rgbAtr, st.rgbAtr + st.cbAtr));
    }
    // Waits (at most 5 s) until the reader shows the ATR (or "" = empty).
    std::string waitAtr(const std::string& reader, const std::string& want) {
        std::string now;
        for (int i = 0; i < 50; ++i) {
            now = atr(reader);
            if (now == want)
                break;
            usleep(100000);
        }
        return now;
    }
    LONG connect(const std::string& reader) {
        return SCardConnect(ctx, reader.c_str(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card,
                            &protocol);
    }
    std::string transmit(const std::string& hex) {
        Bytes cmd = cardsim::fromHex(hex);
        uint8_t rbuf[4096];
        DWORD rlen = sizeof rbuf;
        const SCARD_IO_REQUEST* pci = protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
        LONG rv = SCardTransmit(card, pci, cmd.data(), static_cast<DWORD>(cmd.size()), nullptr, rbuf, &rlen);
        if (rv != SCARD_S_SUCCESS)
            return "PCSC:" + std::to_string(rv);
        return cardsim::toHex(Bytes(rbuf, rbuf + rlen));
    }
};

}  // namespace

TEST(PcscStack, ReadersShowTheCardsAndCommandsReachTheSimulator) {
    cardsim::StackOptions o;
    o.image0 = "cardos50-dtrust";
    o.image1 = "starcos35-a";
    TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Pcsc pcsc;
    EXPECT_EQ(pcsc.readers(), "Virtual PCD 00 00;Virtual PCD 00 01;");
    EXPECT_EQ(pcsc.atr(TestStack::readerName(0)), "3BD218008131FE58C90114");
    EXPECT_EQ(pcsc.atr(TestStack::readerName(1)), "3BD996FF8131FE458031B8738601E0810522");
    ASSERT_EQ(pcsc.connect(TestStack::readerName(1)), SCARD_S_SUCCESS);
    EXPECT_EQ(pcsc.protocol, static_cast<DWORD>(SCARD_PROTOCOL_T1));
    stack.mark(1);
    EXPECT_EQ(pcsc.transmit("00A4000C023F00"), "9000");
    EXPECT_EQ(pcsc.transmit("00A4080C040604C001"), "9000");
    std::string cert = pcsc.transmit("00B00000000000");
    EXPECT_EQ(body(cert), cardsim::toHex(readPki("signer-rsa2048.der")));
    auto x = stack.exchanges(1);
    ASSERT_EQ(x.size(), 3u);
    EXPECT_EQ(cardsim::toHex(x[0].command), "00A4000C023F00");
    EXPECT_EQ(cardsim::toHex(x[0].response), "9000");
    EXPECT_EQ(cardsim::toHex(x[2].response), cert);
}

TEST(PcscStack, ScriptedFaultsAndCardRemovalReachTheApplication) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-b";
    o.faults0 = {"1:sw=6A82"};
    TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Pcsc pcsc;
    ASSERT_EQ(pcsc.connect(TestStack::readerName(0)), SCARD_S_SUCCESS);
    EXPECT_EQ(pcsc.transmit("00A4000C023F00"), "6A82");  // the first command
    EXPECT_EQ(pcsc.transmit("00A4000C023F00"), "9000");
    ASSERT_TRUE(stack.fault(0, "+1:truncate=1"));
    EXPECT_EQ(pcsc.transmit("00A4000C023F00"), "90");
    ASSERT_TRUE(stack.remove(0));
    EXPECT_EQ(pcsc.waitAtr(TestStack::readerName(0), ""), "");
    EXPECT_EQ(pcsc.transmit("00A4000C023F00").substr(0, 5), "PCSC:");
    ASSERT_TRUE(stack.insert(0));
    EXPECT_EQ(pcsc.waitAtr(TestStack::readerName(0), "3BD996FF8131FE458031B8738601E0810522"),
              "3BD996FF8131FE458031B8738601E0810522");
    EXPECT_EQ(pcsc.atr(TestStack::readerName(1)), "");  // no card in the second reader
}

TEST(PcscStack, T0CardAnswersCaseFourWith61xxThroughPcscd) {
    cardsim::StackOptions o;
    o.image1 = "iso-t0";
    TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Pcsc pcsc;
    EXPECT_EQ(pcsc.atr(TestStack::readerName(0)), "");
    ASSERT_EQ(pcsc.connect(TestStack::readerName(1)), SCARD_S_SUCCESS);
    EXPECT_EQ(pcsc.protocol, static_cast<DWORD>(SCARD_PROTOCOL_T0));
    EXPECT_EQ(pcsc.transmit("00A40004023F0000"), "610C");
    EXPECT_EQ(pcsc.transmit("00C000000C"), "620A82013883023F008A01059000");
    EXPECT_EQ(stack.commandCount(1), 2u);
}

bool privateFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 077) == 0;
}

std::string slurp(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST(PcscStack, StacksRunSideBySideAndStopOnlyTheirOwnProcesses) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    EXPECT_EQ(std::string(::getenv("PCSCLITE_CSOCK_NAME")), TestStack::socketPath());
    Pcsc pcsc;
    ASSERT_EQ(pcsc.connect(TestStack::readerName(0)), SCARD_S_SUCCESS);
    EXPECT_EQ(pcsc.transmit("00A4000C023F00"), "9000");

    // A second stack as a shell user starts it: its output captured, so start must not
    // leave the pipe with its background processes.
    const std::string script = std::string(VN_SOURCE_DIR) + "/tools/cardsim/pcsc-stack.sh";
    const std::string other = "/tmp/vn-pcsc-beside-" + std::to_string(::getpid());
    std::string out = run("sh -c 'out=$(" + script + " start --state " + other + " --image0 " +
                          cardsim::resolveImage("cardos50-dtrust") + " --pki " + cardsim::defaultPkiDir() +
                          " --cardsim " + std::string(VN_BINARY_DIR) + "/tools/cardsim/cardsim); echo \"$out\"'");
    EXPECT_NE(out.find("PCSCLITE_CSOCK_NAME=" + other + "/run/pcscd.comm"), std::string::npos) << out;
    // Each client sees its own stack's card in the reader of the same name.
    EXPECT_EQ(run("env PCSCLITE_CSOCK_NAME=" + other + "/run/pcscd.comm opensc-tool -r 0 -a"),
              "3b:d2:18:00:81:31:fe:58:c9:01:14\n");
    EXPECT_EQ(run("opensc-tool -r 0 -a"), "3b:d9:96:ff:81:31:fe:45:80:31:b8:73:86:01:e0:81:05:22\n");
    EXPECT_EQ(pcsc.atr(TestStack::readerName(0)), "3BD996FF8131FE458031B8738601E0810522");

    // Stopping the other stack leaves this one serving, the connection of this program too.
    run(script + " stop --clean --state " + other);
    EXPECT_EQ(run("env PCSCLITE_CSOCK_NAME=" + other + "/run/pcscd.comm opensc-tool -r 0 -a"), "");
    EXPECT_EQ(pcsc.transmit("00A4000C023F00"), "9000");
    EXPECT_EQ(run("opensc-tool -r 0 -a"), "3b:d9:96:ff:81:31:fe:45:80:31:b8:73:86:01:e0:81:05:22\n");

    // Logs and transcripts are private; pcscd writes no APDU (PIN blocks) unless asked.
    EXPECT_TRUE(privateFile(stack.stateDir() + "/pcscd.log"));
    EXPECT_TRUE(privateFile(stack.transcriptPath(0)));
    EXPECT_EQ(slurp(stack.stateDir() + "/pcscd.log").find("APDU"), std::string::npos);
}

TEST(PcscStack, PcscdLogsApdusOnlyWhenAsked) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    o.apduLog = true;
    TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Pcsc pcsc;
    ASSERT_EQ(pcsc.connect(TestStack::readerName(0)), SCARD_S_SUCCESS);
    EXPECT_EQ(pcsc.transmit("00A4000C023F00"), "9000");
    EXPECT_NE(slurp(stack.stateDir() + "/pcscd.log").find("00 A4 00 0C 02 3F 00"), std::string::npos);
    EXPECT_TRUE(privateFile(stack.stateDir() + "/pcscd.log"));
}

TEST(OpenSC, ToolsRecogniseTheCardsAndReadThePkcs15Certificates) {
    cardsim::StackOptions o;
    o.image0 = "cardos50-dtrust";
    o.image1 = "starcos35-a";
    TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    std::string list = run("opensc-tool -l");
    EXPECT_NE(list.find("0    Yes             Virtual PCD 00 00"), std::string::npos) << list;
    EXPECT_NE(list.find("1    Yes             Virtual PCD 00 01"), std::string::npos) << list;
    EXPECT_EQ(run("opensc-tool -r 0 -a"), "3b:d2:18:00:81:31:fe:58:c9:01:14\n");
    EXPECT_EQ(run("opensc-tool -r 1 -a"), "3b:d9:96:ff:81:31:fe:45:80:31:b8:73:86:01:e0:81:05:22\n");
    EXPECT_NE(run("opensc-tool -r 0 -n").find("CardOS"), std::string::npos);
    EXPECT_NE(run("opensc-tool -r 1 -n").find("STARCOS 3.5"), std::string::npos);

    std::string certs = run("pkcs15-tool -r 0 -c");
    EXPECT_NE(certs.find("X.509 Certificate [Signaturzertifikat]"), std::string::npos) << certs;
    EXPECT_NE(certs.find("Path           : 3f001ffec001"), std::string::npos) << certs;
    EXPECT_NE(certs.find("X.509 Certificate [Authentisierungszertifikat]"), std::string::npos) << certs;
    EXPECT_NE(certs.find("X.509 Certificate [CA-Zertifikat]"), std::string::npos) << certs;
    std::string pins = run("pkcs15-tool -r 0 --list-pins");
    EXPECT_NE(pins.find("Signatur-PIN"), std::string::npos) << pins;
    EXPECT_NE(pins.find("Karten-PIN"), std::string::npos) << pins;
    std::string keys = run("pkcs15-tool -r 0 -k");
    EXPECT_NE(keys.find("Signaturschluessel"), std::string::npos) << keys;
    std::string info = run("pkcs15-tool -r 0 --dump");
    EXPECT_NE(info.find("D-TRUST Card V3.1 standard"), std::string::npos) << info;

    // The certificate read by pkcs15-tool is the one of the test PKI.
    std::string pem = std::string(::testing::TempDir()) + "/cardsim_cert.pem";
    run("pkcs15-tool --reader 0 --read-certificate 01 -o " + pem);
    std::string der = run("openssl x509 -in " + pem + " -outform DER | od -An -v -tx1 | tr -d ' \\n'");
    EXPECT_EQ(cardsim::toHex(cardsim::fromHex(der)), cardsim::toHex(readPki("signer-rsa2048.der")));
    std::remove(pem.c_str());
}
