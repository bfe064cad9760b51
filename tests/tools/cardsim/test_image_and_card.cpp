// Image files, power and reset, transcripts and scripted faults of the Card.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "CardTest.h"

using namespace cardsim_test;
using cardsim::Card;
using cardsim::ImageError;

namespace {

std::string loadError(const std::string& text) {
    try {
        Card::fromText(text, cardsim::defaultPkiDir(), "bad.card");
    } catch (const ImageError& e) {
        return e.what();
    }
    return "";
}

const char* kHead = "[card]\ndialect = iso\natr = 3B 02 14 50\n";

}  // namespace

TEST(Image, MalformedImagesAreRejectedNamingTheLine) {
    EXPECT_EQ(loadError(std::string(kHead) + "[ef 3F00/0101]\ndata = 0G\n"),
              "bad.card:5: bad hex value: not a hex digit: 'G'");
    EXPECT_EQ(loadError(std::string(kHead) + "[ef 3F00/0604/C001]\n"), "bad.card:4: no DF '3F000604' declared before");
    EXPECT_EQ(loadError(std::string(kHead) + "[folder 3F00]\n"), "bad.card:4: unknown section 'folder'");
    EXPECT_EQ(loadError("[card]\ndialect = tcos9\n"), "bad.card:2: unknown dialect 'tcos9'");
    EXPECT_EQ(loadError(std::string(kHead) + "[ef 3F00/0101]\ncert = nosuch.der\n").substr(0, 41),
              "bad.card:5: cannot read file 'nosuch.der'");
    EXPECT_EQ(loadError(std::string(kHead) + "[pin 3F00 81]\ntries = 99\n"),
              "bad.card:5: expected a number from 0 to 15, got '99'");
    EXPECT_EQ(loadError(std::string(kHead) + "[ef 3F00/0101]\n[ef 3F00/0101]\n"),
              "bad.card:5: file 3F00/0101 declared twice");
    EXPECT_EQ(loadError(std::string(kHead) + "just words\n"), "bad.card:4: expected 'key = value' or '[section]'");
    EXPECT_EQ(loadError(std::string(kHead) + "[ef 3F00/0101]\nsize = 2\ndata = 010203\n[df 3F00/0200]\n"),
              "bad.card:7: contents of 3F00/0101 exceed its size");
    EXPECT_EQ(loadError("[card]\ndialect = iso\n"), "bad.card:0: no 'atr' in [card]");
    EXPECT_EQ(loadError(std::string(kHead) + "[ef 3F00/0101]\nfile = /dev/zero\n"),
              "bad.card:5: '/dev/zero' is not a regular file of at most 1 MiB");
    std::string err;
    EXPECT_EQ(Card::load("/nonexistent/x.card", "", err), nullptr);
    EXPECT_EQ(err, "/nonexistent/x.card: cannot open image");
}

TEST(Image, RepositoryImagesCarryTheAtrsOfTheirOperatingSystems) {
    auto a = loadCard("starcos35-a");
    EXPECT_EQ(cardsim::toHex(a->atr()), "3BD996FF8131FE458031B8738601E0810522");
    EXPECT_EQ(a->dialectName(), "starcos35");
    auto d = loadCard("cardos50-dtrust");
    EXPECT_EQ(cardsim::toHex(d->atr()), "3BD218008131FE58C90114");
    EXPECT_EQ(d->label(), "D-TRUST Card V3.1 standard");
    EXPECT_EQ(d->protocol(), cardsim::Protocol::T1);
    EXPECT_EQ(d->fileContents("3F00/1FFE/C001"), readPki("signer-rsa2048.der"));
    auto b = loadCard("starcos35-b");
    EXPECT_EQ(b->fileContents("3F00/0604/C000"), readPki("signer-rsa2048.der"));
    EXPECT_EQ(b->fileContents("3F00/0608/C500"), readPki("auth-rsa2048.der"));
}

TEST(Card, TranscriptFileRecordsCommandsAnswersAndPowerEvents) {
    auto c = Card::fromFile(cardsim::resolveImage("iso-t0"), cardsim::defaultPkiDir());
    std::string path = std::string(::testing::TempDir()) + "/cardsim_transcript.log";
    c->setTranscriptFile(path);
    EXPECT_TRUE(c->transmit(cardsim::fromHex("00A4000C023F00")).empty());  // not powered
    c->powerOn();
    EXPECT_EQ(tx(*c, "00A4000C023F00"), "9000");
    EXPECT_EQ(tx(*c, "00B0000001"), "6986");
    c->reset();
    c->powerOff();
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_EQ(ss.str(), "* power on\n> 00A4000C023F00\n< 9000\n> 00B0000001\n< 6986\n* reset\n* power off\n");
    ASSERT_EQ(c->transcript().size(), 5u);
    EXPECT_EQ(c->transcript()[1].index, 1u);
    EXPECT_EQ(c->commandCount(), 2u);
    std::remove(path.c_str());
}

TEST(Card, ScriptedFaultsAnswerStatusWordsTruncateMuteAndDropTheCard) {
    auto c = loadCard("iso-t0");
    c->setProtocol(cardsim::Protocol::T1);
    c->addFaultSpec("+2:sw=6F00");
    c->addFaultSpec("+3:truncate=3");
    EXPECT_EQ(tx(*c, "00A4000C020101"), "9000");
    EXPECT_EQ(tx(*c, "00B0000005"), "6F00");    // not executed
    EXPECT_EQ(tx(*c, "00B0000005"), "68656C");  // executed, answer cut
    EXPECT_EQ(tx(*c, "00B0000005"), "68656C6C6F9000");
    c->addFaultSpec(std::to_string(c->commandCount() + 1) + ":mute");
    EXPECT_EQ(tx(*c, "00B0000005"), "");
    EXPECT_TRUE(c->present());
    cardsim::Fault drop;
    drop.kind = cardsim::Fault::Kind::Drop;
    c->addFaultAfter(1, drop);
    EXPECT_EQ(tx(*c, "00B0000005"), "");
    EXPECT_FALSE(c->present());
    EXPECT_EQ(tx(*c, "00B0000005"), "");
    c->insert();
    c->powerOn();
    EXPECT_EQ(tx(*c, "00B0000005"), "6986");  // a fresh start: no current file
    c->addFaultSpec("+1:sw=6982");
    c->clearFaults();
    EXPECT_EQ(tx(*c, "00A4000C023F00"), "9000");
    EXPECT_THROW(c->addFaultSpec("3:explode"), std::invalid_argument);
    EXPECT_THROW(c->addFaultSpec("x:drop"), std::invalid_argument);
    EXPECT_THROW(c->addFaultSpec("1:sw=69"), std::invalid_argument);
}

TEST(Card, OptionSwitchesTheCardOSWrongPinAnswer) {
    std::ifstream f(cardsim::resolveImage("cardos50-dtrust"));
    std::stringstream ss;
    ss << f.rdbuf();
    std::string text = ss.str();
    text.replace(text.find("[card]\n"), 7, "[card]\noption.wrong-pin = 63Cx\n");
    auto c = Card::fromText(text, cardsim::defaultPkiDir(), "x.card");
    c->powerOn();
    EXPECT_EQ(tx(*c, "00A4080C021FFF"), "9000");
    EXPECT_EQ(tx(*c, "0020008106313131313131"), "63C2");
}
