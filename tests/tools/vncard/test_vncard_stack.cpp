// vncard as its users run it: a separate process on the real PC/SC stack, PINs on
// standard input, results checked by exit code, JSON and the openssl command.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cardsim/TestStack.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "VncardRun.h"

namespace {

using namespace vn_vncard_test;

std::string tmp(const std::string& name) { return "/tmp/vn-vncard-" + std::to_string(getpid()) + "-" + name; }

Result sh(const std::string& line, const std::string& input = "") { return runShell(tmp(""), line, input); }

Result tool(const std::string& args, const std::string& input = "") { return sh(vncard() + " " + args, input); }

std::string unknownImage() {
    std::string path = tmp("unknown.card");
    std::ofstream(path) << "[card]\ndialect = iso\natr = 3B 02 14 50\n";
    return path;
}

}  // namespace

TEST(VncardStack, ListsSignsWithAVerifiedPinAndOpensslAgrees) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    o.image1 = unknownImage();
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();

    Result r = tool("readers --json");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\"name\":\"Virtual PCD 00 00\",\"card\":true")) << r.out;
    EXPECT_TRUE(contains(r.out, "\"cardType\":14")) << r.out;
    EXPECT_TRUE(contains(r.out, "\"cardType\":0")) << r.out;

    r = tool("certs --reader 0 --json");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "{\"index\":0,\"label\":\"Signing Cert\"")) << r.out;
    EXPECT_TRUE(contains(r.out, "\"keyBits\":2048")) << r.out;
    EXPECT_TRUE(contains(r.out, "{\"index\":3,\"label\":\"Auth Cert CA\"")) << r.out;
    r = tool("certs");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "0  Signing Cert")) << r.out;
    EXPECT_TRUE(contains(r.out, "nonRepudiation")) << r.out;

    // Export: DER equals the PKI's file; PEM is what openssl reads as the same certificate.
    r = tool("export --cert 0 --format der --out " + tmp("c0.der"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(slurp(tmp("c0.der")), slurp(pki("signer-rsa2048.der")));
    r = tool("export --cert 0 --out " + tmp("c0.pem"));
    ASSERT_EQ(r.code, 0) << r.err;
    r = sh("openssl x509 -in " + tmp("c0.pem") + " -outform DER | cmp - " + pki("signer-rsa2048.der"));
    EXPECT_EQ(r.code, 0) << r.out << r.err;

    // Wrong PIN: exit 5 with the tries left; the right one verifies.
    r = tool("verify-pin --cert 0 --pin-from stdin", "000000\n");
    EXPECT_EQ(r.code, 5) << r.err;
    EXPECT_TRUE(contains(r.err, "2 tries left")) << r.err;
    r = tool("verify-pin --cert 0 --pin-from stdin --json", "123456\n");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "\"verified\":true")) << r.out;
    r = tool("verify-pin --cert 0 --pin 123456");
    EXPECT_EQ(r.code, 2);

    // Sign a file's hash and check it with openssl against the card's certificate.
    std::ofstream(tmp("doc.txt")) << "a document to sign\n";
    r = tool("sign --cert 0 --file " + tmp("doc.txt") + " --out " + tmp("doc.sig") + " --pin-from stdin", "123456\n");
    ASSERT_EQ(r.code, 0) << r.err;
    r = sh("openssl dgst -sha256 -binary " + tmp("doc.txt") + " > " + tmp("doc.hash") +
           " && openssl pkeyutl -verify -certin -inkey " + tmp("c0.pem") + " -pkeyopt digest:sha256 -in " +
           tmp("doc.hash") + " -sigfile " + tmp("doc.sig"));
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "Signature Verified Successfully")) << r.out;

    // A given SHA-384 hash; a hash of the wrong length is refused before the card.
    std::string h384(96, 'a');
    r = tool("sign --cert 0 --algo sha384 --hash " + h384 + " --json --pin-from stdin", "123456\n");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\"algo\":\"sha384\"")) << r.out;
    EXPECT_TRUE(contains(r.out, "\"bytes\":256")) << r.out;
    r = tool("sign --cert 0 --algo sha1 --hash " + h384 + " --pin-from stdin", "123456\n");
    EXPECT_EQ(r.code, 2);

    // Decrypt a block encrypted with the authentication certificate's key.
    std::ofstream(tmp("secret")) << "session key";
    r = sh("openssl x509 -inform DER -in " + pki("auth-rsa2048.der") + " -out " + tmp("auth.pem") +
           " && openssl pkeyutl -encrypt -certin -inkey " + tmp("auth.pem") + " -in " + tmp("secret") + " -out " +
           tmp("secret.enc"));
    ASSERT_EQ(r.code, 0) << r.err;
    r = tool("decrypt --cert 2 --in " + tmp("secret.enc") + " --out " + tmp("secret.dec") + " --pin-from stdin",
             "123456\n");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(slurp(tmp("secret.dec")), "session key");

    // The unknown card in the second reader and a card taken out.
    r = tool("certs --reader 1");
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_TRUE(contains(r.err, "not recognised")) << r.err;
    ASSERT_TRUE(stack.remove(0));
    // The service notices the removal at its next poll of the reader.
    for (int i = 0; i < 20 && !contains(tool("readers --json").out, "\"name\":\"Virtual PCD 00 00\",\"card\":false");
         ++i)
        usleep(250000);
    r = tool("certs --reader 0 --json");
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
    r = tool("sign --reader 0 --hash " + std::string(64, '0') + " --pin-from stdin", "123456\n");
    EXPECT_EQ(r.code, 3);
}

TEST(VncardStack, ChangedPinWorksAndThreeWrongEntriesBlockIt) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-b";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();

    Result r = tool("change-pin --cert 0 --pin-from stdin", "123456\n13579\n");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(tool("verify-pin --pin-from stdin", "13579\n").code, 0);
    EXPECT_EQ(tool("verify-pin --pin-from stdin", "123456\n").code, 5);
    EXPECT_EQ(tool("verify-pin --pin-from stdin", "123456\n").code, 5);
    r = tool("verify-pin --pin-from stdin", "123456\n");
    EXPECT_EQ(r.code, 6) << r.err;
    r = tool("verify-pin --pin-from stdin --json", "13579\n");
    EXPECT_EQ(r.code, 6);
    EXPECT_TRUE(contains(r.out, "blocked")) << r.out;
    EXPECT_EQ(tool("sign --hash " + std::string(64, '0') + " --pin-from stdin", "13579\n").code, 6);
    // No PIN on standard input: nothing is sent.
    EXPECT_EQ(tool("verify-pin --pin-from stdin", "").code, 7);
}

TEST(VncardTool, EveryCommandHasHelpAndBadCommandLinesExitTwo) {
    for (const char* c :
         {"version", "config", "readers", "certs", "export", "verify-pin", "change-pin", "sign", "decrypt"}) {
        Result r = tool(std::string(c) + " --help");
        EXPECT_EQ(r.code, 0) << c;
        EXPECT_TRUE(contains(r.out, std::string("usage: vncard ") + c)) << r.out;
    }
    EXPECT_EQ(tool("--help").code, 0);
    EXPECT_EQ(tool("").code, 2);
    EXPECT_EQ(tool("frobnicate").code, 2);
    EXPECT_EQ(tool("sign --algo sha999 --hash 00").code, 2);
    EXPECT_EQ(tool("sign --cert x --hash 00").code, 2);
    Result r = tool("export --bogus --json");
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
    r = tool("version --json");
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(contains(r.out, "\"version\":\"2.0.0\"")) << r.out;
}

namespace {

// Commands of reader 0 since the last mark, as upper-case hex.
std::vector<std::string> commandsSinceMark(cardsim::TestStack& stack) {
    std::vector<std::string> out;
    for (const auto& e : stack.exchanges(0))
        out.push_back(hexOf(e.command));
    return out;
}

// 1-based position of the first (or last) command starting with `prefix` (0 when none).
size_t positionOf(const std::vector<std::string>& commands, const std::string& prefix, bool last = false) {
    size_t found = 0;
    for (size_t i = 0; i < commands.size() && (last || found == 0); ++i)
        if (commands[i].rfind(prefix, 0) == 0)
            found = i + 1;
    return found;
}

bool anyStartsWith(const std::vector<std::string>& commands, const std::string& prefix) {
    return positionOf(commands, prefix) != 0;
}

// Runs a tool command once to learn its commands, then again with the fault `what` armed
// for the command `after` places behind the first (or last) one that starts with `prefix`.
Result withFaultAt(cardsim::TestStack& stack, const std::string& args, const std::string& input,
                   const std::string& prefix, const std::string& what, bool last = false, size_t after = 0) {
    stack.mark(0);
    Result first = tool(args, input);
    size_t at = positionOf(commandsSinceMark(stack), prefix, last);
    if (first.code != 0 || at == 0) {
        Result none;
        none.err = "no command " + prefix + " in a good run: " + first.err;
        return none;
    }
    stack.fault(0, "+" + std::to_string(at + after) + ":" + what);
    return tool(args, input);
}

}  // namespace

TEST(VncardStack, AnswersWithoutDataAreFailuresAndThePaddingIsTold) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    o.image1 = "cardos50-dtrust";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    const std::string hash = " --hash " + std::string(64, 'a');

    // A signing command that answers 9000 and no signature: exit 1, ok:false.
    Result r = withFaultAt(stack, "sign --reader 0 --cert 0 --json --pin-from stdin" + hash, "123456\n", "002A9E9A",
                           "sw=9000");
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
    r = tool("sign --reader 0 --cert 0 --json --pin-from stdin" + hash, "123456\n");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\"padding\":\"pkcs1\"")) << r.out;

    // Decipherment: 9000 without the plain text fails; OAEP where the card offers it.
    std::ofstream(tmp("secret")) << "session key";
    r = sh("openssl x509 -inform DER -in " + pki("auth-rsa2048.der") + " -out " + tmp("auth.pem") +
           " && openssl pkeyutl -encrypt -certin -inkey " + tmp("auth.pem") + " -in " + tmp("secret") + " -out " +
           tmp("pkcs1.enc") + " && openssl pkeyutl -encrypt -certin -inkey " + tmp("auth.pem") + " -in " +
           tmp("secret") +
           " -pkeyopt rsa_padding_mode:oaep -pkeyopt rsa_oaep_md:sha256 -pkeyopt rsa_mgf1_md:sha256 -out " +
           tmp("oaep.enc"));
    ASSERT_EQ(r.code, 0) << r.err;
    r = withFaultAt(stack, "decrypt --reader 0 --cert 2 --pin-from stdin --in " + tmp("pkcs1.enc"), "123456\n",
                    "002A8086", "sw=9000");
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_EQ(r.out, "");
    r = tool("decrypt --reader 0 --cert 2 --oaep --json --pin-from stdin --in " + tmp("oaep.enc"), "123456\n");
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "\"plain\":\"73657373696f6e206b6579\"")) << r.out;
    r = tool("decrypt --reader 0 --cert 2 --pin-from stdin --in " + tmp("oaep.enc"), "123456\n");
    EXPECT_EQ(r.code, 1) << r.out;  // an OAEP block is no PKCS#1 v1.5 block

    // CardOS 5.0: PKCS#1 v1.5 unless PSS is allowed, and openssl agrees with the padding told.
    r = tool("export --reader 1 --cert 0 --out " + tmp("c50.pem"));
    ASSERT_EQ(r.code, 0) << r.err;
    std::ofstream(tmp("doc")) << "document";
    for (const std::string pss : {"", " --allow-pss"}) {
        r = tool(
            "sign --reader 1 --cert 0 --json --pin-from stdin --file " + tmp("doc") + " --out " + tmp("doc.sig") + pss,
            "123456\n");
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(contains(r.out, pss.empty() ? "\"padding\":\"pkcs1\"" : "\"padding\":\"pss\"")) << r.out;
        r = sh("openssl dgst -sha256 -binary " + tmp("doc") + " > " + tmp("doc.hash") +
               " && openssl pkeyutl -verify -certin -inkey " + tmp("c50.pem") + " -pkeyopt digest:sha256 -pkeyopt " +
               (pss.empty() ? "rsa_padding_mode:pkcs1" : "rsa_padding_mode:pss") + " -in " + tmp("doc.hash") +
               " -sigfile " + tmp("doc.sig"));
        EXPECT_EQ(r.code, 0) << r.out << r.err;
    }
    r = tool("sign --reader 1 --cert 0 --pin-from stdin" + hash, "123456\n");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "RSA PKCS#1 v1.5")) << r.err;

    // Told before the PIN is asked: the hash the card cannot sign with.
    r = tool("sign --reader 1 --cert 0 --algo sha1 --pin-from stdin --hash " + std::string(40, 'b'), "");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(contains(r.err, "the card signs with sha256 only")) << r.err;
    // OAEP is refused without a command; a wrong PIN without a counter is a wrong PIN.
    r = tool("decrypt --reader 1 --cert 0 --oaep --pin-from stdin --in " + tmp("oaep.enc"), "123456\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(contains(r.err, "OAEP")) << r.err;
    r = tool("verify-pin --reader 1 --cert 0 --json --pin-from stdin", "111111\n");
    EXPECT_EQ(r.code, 5) << r.out;
    EXPECT_TRUE(contains(r.out, "wrong PIN")) << r.out;
    EXPECT_EQ(tool("verify-pin --reader 1 --cert 0 --pin-from stdin", "123456\n").code, 0);
}

TEST(VncardStack, PinsPathsAndRemovedCardsAreToldOnce) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    o.image1 = "tcos30v2-esign";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();

    // ECDSA: r||s by default, DER on request, which openssl verifies as it is.
    std::ofstream(tmp("ec.doc")) << "an EC document";
    Result r = tool("export --reader 1 --cert 0 --out " + tmp("ec.pem"));
    ASSERT_EQ(r.code, 0) << r.err;
    r = tool("sign --reader 1 --json --pin-from stdin --file " + tmp("ec.doc"), "123456\n");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\"padding\":\"ecdsa\",\"sigFormat\":\"raw\"")) << r.out;
    EXPECT_TRUE(contains(r.out, "\"bytes\":64")) << r.out;
    r = tool("sign --reader 1 --sig-format der --pin-from stdin --file " + tmp("ec.doc") + " --out " + tmp("ec.sig"),
             "123456\n");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "ECDSA (DER)")) << r.err;
    r = sh("openssl x509 -in " + tmp("ec.pem") + " -pubkey -noout > " + tmp("ec.pub") +
           " && openssl dgst -sha256 -verify " + tmp("ec.pub") + " -signature " + tmp("ec.sig") + " " + tmp("ec.doc"));
    EXPECT_TRUE(contains(r.out, "Verified OK")) << r.out << r.err;
    EXPECT_EQ(tool("sign --reader 0 --sig-format der --pin-from stdin --hash " + std::string(64, 'd'), "123456\n").code,
              2);

    r = tool("readers");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "card:    Starcos 3.5, ATR 3B:D9")) << r.out;

    // PINs outside the limits or with other characters, and an output path that cannot be
    // written: refused before any VERIFY reaches the card.
    stack.mark(0);
    for (const char* pin : {"abcdef\n", "12\n", "1234567890123\n"}) {
        r = tool("verify-pin --pin-from stdin --json", pin);
        EXPECT_EQ(r.code, 2) << pin;
        EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
    }
    r = tool("sign --pin-from stdin --out /nonexistent-dir/x.sig --hash " + std::string(64, 'c'), "123456\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(contains(r.err, "/nonexistent-dir")) << r.err;
    EXPECT_FALSE(anyStartsWith(commandsSinceMark(stack), "002000")) << "a PIN reached the card";
    // One message per failure.
    r = tool("verify-pin --pin-from stdin", "000000\n");
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;

    // A log path that cannot be written is a warning.
    r = tool("certs --log /nonexistent-dir/vn.log");
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(contains(r.err, "warning: cannot write the log")) << r.err;

    // A certificate that cannot be read keeps its place; the later ones keep their index.
    // (its file is read whole when its presence is tested; the READ BINARY after its
    // first chunk is refused)
    r = withFaultAt(stack, "certs --json", "", "00A4020402C003", "sw=6982", true, 2);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "{\"index\":0,\"label\":\"Signing Cert\"")) << r.out;
    EXPECT_TRUE(contains(r.out, "{\"index\":3,\"label\":\"Auth Cert CA\"")) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '{') - 1, 4) << r.out;
    EXPECT_TRUE(contains(r.out, "\"readable\":false")) << r.out;

    // The card taken out while the certificates are read: no card, never an empty list.
    r = withFaultAt(stack, "certs --json", "", "00A4020402C003", "drop");
    EXPECT_EQ(r.code, 3) << r.out;
    EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
    EXPECT_FALSE(contains(r.out, "\"certificates\"")) << r.out;
}

TEST(VncardTool, ReadersWithoutAServiceSayNoReaderInJsonToo) {
    Result r = sh("PCSCLITE_CSOCK_NAME=" + tmp("no-pcscd.sock") + " " + vncard() + " readers --json");
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
    EXPECT_TRUE(contains(r.out, "is pcscd running?")) << r.out;
    r = tool("frobnicate --json");
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(contains(r.out, "\"ok\":false")) << r.out;
}
