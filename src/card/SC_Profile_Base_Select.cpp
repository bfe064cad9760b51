// File selection by path with the cache of the current directory and file, and the file stack.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "IsoCommands.h"
#include "SC_Profile_Base.h"
#include "SafeMem.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {
const unsigned int kMaxPathBytes = 136;

// Commands this process sent to the card of each reader, over all card objects.
std::mutex g_readerMutex;
std::map<std::string, unsigned long> g_readerCommands;

unsigned long readerCommands(const std::string& reader, bool sending) {
    std::lock_guard<std::mutex> lock(g_readerMutex);
    unsigned long& n = g_readerCommands[reader];
    if (sending)
        ++n;
    return n;
}

bool sameBytes(const unsigned char* a, const unsigned char* b, unsigned int n) { return std::memcmp(a, b, n) == 0; }

// The current directory path is the MF alone.
bool isMasterDf(const unsigned char* df, int length) { return length == 2 && df[0] == 0x3F && df[1] == 0x00; }

// The last command selected the MF and nothing since left it: no selection is needed.
bool mfStillSelected(bool justSelected, const unsigned char* df, int dfLength, int efLength) {
    if (!justSelected || !isMasterDf(df, dfLength) || efLength != 0)
        return false;
    vn_log(3, "MF selected by the last command\n");
    return true;
}
}  // namespace

bool CSC_Profile_Base::ConvertPath(std::string path, unsigned char* out, unsigned int* length) {
    if (out == nullptr || length == nullptr)
        return false;
    std::string digits;
    for (char c : path)
        if (c != '/')
            digits.push_back(c);
    unsigned int n = 0;
    for (size_t i = 0; i + 1 < digits.size() && n < kMaxPathBytes; i += 2) {
        unsigned int v = 0;
        char pair[3] = {digits[i], digits[i + 1], 0};
        if (!isxdigit(static_cast<unsigned char>(pair[0])) || !isxdigit(static_cast<unsigned char>(pair[1])) ||
            sscanf(pair, "%02x", &v) != 1) {
            *length = n;
            return false;
        }
        out[n++] = static_cast<unsigned char>(v);
    }
    *length = n;
    return true;
}

void CSC_Profile_Base::GetRequestedPathPart(unsigned char* path, unsigned int* length, bool reselect, bool isDF) {
    unsigned int len = *length;
    if (len < 2)
        return;
    const unsigned int lastAt = len - 2;
    auto keepLast = [&]() {
        std::memmove(path, path + lastAt, 2);
        *length = 2;
    };
    auto keepNothing = [&]() { *length = 0; };

    if (m_currEFLen > 0 && static_cast<unsigned int>(m_currEFLen) == len && sameBytes(m_currEF, path, len)) {
        if (reselect)
            keepLast();
        else
            keepNothing();
        return;
    }
    if (m_currEFLen > 0 && static_cast<unsigned int>(m_currEFLen) == lastAt && sameBytes(m_currEF, path, lastAt)) {
        keepLast();
        return;
    }
    unsigned int dirLen = isDF ? len : lastAt;
    if (static_cast<unsigned int>(m_currDFLen) == dirLen && sameBytes(m_currDF, path, dirLen)) {
        if (isDF) {
            m_currEFLen = 0;
            if (reselect)
                keepLast();
            else
                keepNothing();
            return;
        }
        if (m_currEFLen == 2 && sameBytes(m_currEF, path + lastAt, 2)) {
            if (reselect)
                keepLast();
            else
                keepNothing();
        } else {
            keepLast();
        }
        return;
    }
    // anything else: the whole path is selected
}

void CSC_Profile_Base::setCurrDF(const unsigned char* path, int length) {
    if (path == nullptr || length < 0 || length > static_cast<int>(sizeof(m_currDF)))
        return;
    std::memcpy(m_currDF, path, static_cast<size_t>(length));
    m_currDFLen = length;
}

void CSC_Profile_Base::setCurrEF(const unsigned char* file, int length) {
    if (file == nullptr || length <= 0 || length > static_cast<int>(sizeof(m_currEF))) {
        m_currEFLen = 0;
        return;
    }
    std::memcpy(m_currEF, file, static_cast<size_t>(length));
    m_currEFLen = length;
}

int CSC_Profile_Base::getCurrDF(unsigned char* out, int size) const {
    if (out == nullptr || size < m_currDFLen)
        return 0;
    std::memcpy(out, m_currDF, static_cast<size_t>(m_currDFLen));
    return m_currDFLen;
}

int CSC_Profile_Base::getCurrEF(unsigned char* out, int size) const {
    if (out == nullptr || size < m_currEFLen)
        return 0;
    std::memcpy(out, m_currEF, static_cast<size_t>(m_currEFLen));
    return m_currEFLen;
}

std::string CSC_Profile_Base::GetCurrFilePath() const {
    return hex2str(m_currDF, static_cast<unsigned long>(m_currDFLen)) +
           hex2str(m_currEF, static_cast<unsigned long>(m_currEFLen));
}

bool CSC_Profile_Base::isSamePath(std::string path) {
    return strTools::uniformPath(path) == strTools::uniformPath(GetCurrFilePath());
}

void CSC_Profile_Base::PushCurrentFile(std::string path) {
    m_fileStack.push_back(path.empty() ? GetCurrFilePath() : path);
}

int CSC_Profile_Base::PopCurrentFile() {
    if (m_fileStack.empty())
        return SC_CMD_FAILED;
    std::string path = m_fileStack.back();
    m_fileStack.pop_back();
    if (path.empty())
        return 0;
    int r = SelectPath(path, false, true, false, false);
    if (r != 0)
        r = SelectPath(path, true, true, false, false);
    return r;
}

void CSC_Profile_Base::NoteCommandSent() {
    if (!m_connectedReader.empty())
        m_readerCommands = readerCommands(m_connectedReader, true);
}

void CSC_Profile_Base::ForgetSelectionOfOthers() {
    if (m_connectedReader.empty() || m_readerCommands == 0)
        return;
    if (readerCommands(m_connectedReader, false) != m_readerCommands) {
        vn_log(3, "another call of this process used the card: selection unknown\n");
        ForgetCurrentFile();
        m_readerCommands = 0;
    }
}

int CSC_Profile_Base::SelectMFOnce() {
    ForgetSelectionOfOthers();
    if (mfStillSelected(m_mfJustSelected, m_currDF, m_currDFLen, m_currEFLen))
        return 0;
    const int r = SCSelectMF();
    m_mfJustSelected = r == 0;
    m_selectionKnown = r == 0;
    return r;
}

int CSC_Profile_Base::SelectMFKnown() {
    ForgetSelectionOfOthers();
    if (m_selectionKnown && isMasterDf(m_currDF, m_currDFLen)) {
        vn_log(3, "MF is the current directory\n");
        return 0;
    }
    return SelectMFLeavingAnswer();
}

bool CSC_Profile_Base::LeaveAnswerOnT0() {
    if (m_t1Allowed && GetProtocol() == SCARD_PROTOCOL_T0)
        m_t1Allowed = false;
    if (m_t1Allowed)
        return false;
    leaveAnswerOnCard();
    return true;
}

int CSC_Profile_Base::SelectMFLeavingAnswer() {
    ForgetSelectionOfOthers();
    if (mfStillSelected(m_mfJustSelected, m_currDF, m_currDFLen, m_currEFLen))
        return 0;
    const bool leave = LeaveAnswerOnT0();
    if (SCSelectMF() != 0 && !(leave && answerLeftOnCard())) {
        m_selectionKnown = false;
        return SC_CMD_FAILED;
    }
    AssumeMasterFile();
    return 0;
}

int CSC_Profile_Base::SelectPathFromKnown(const std::string& path, bool reselect, bool sizeFromContent) {
    VnTraceScope trace("CSC_Profile_Base::SelectPathFromKnown", 2);
    vn_log(3, "path: %s\n", path.c_str());
    ForgetSelectionOfOthers();
    unsigned char bytes[kMaxPathBytes];
    unsigned int len = 0;
    if (!ConvertPath(path, bytes, &len) || len < 2 || len % 2 != 0)
        return SC_CMD_FAILED;
    // Only a path from the MF.
    if (len < 4 || bytes[0] != 0x3F || bytes[1] != 0x00)
        return SelectPath(path, true, reselect, false, false);
    const unsigned int dirLen = len - 2;
    unsigned int known = static_cast<unsigned int>(m_currDFLen);
    if (!m_selectionKnown || known < 2 || known > dirLen || !sameBytes(m_currDF, bytes, known)) {
        if (SelectMFLeavingAnswer() != 0)
            return SC_CMD_FAILED;
        known = 2;
    }
    // The directories below the current one, then the file. Nothing reads the answers to
    // directory selections: a T=0 card keeps them.
    for (unsigned int i = known; i < dirLen; i += 2) {
        vn_log_buffer(3, "Select DF :", bytes + i, 2);
        const bool leave = LeaveAnswerOnT0();
        if ((SCSelectDF(bytes + i, 2) != 0 && !(leave && answerLeftOnCard())) ||
            m_currDFLen + 2 > static_cast<int>(sizeof(m_currDF))) {
            vn_log(3, "Error while selecting DF\n");
            m_selectionKnown = false;
            return SC_CMD_FAILED;
        }
        std::memcpy(m_currDF + m_currDFLen, bytes + i, 2);
        m_currDFLen += 2;
        setCurrEF(m_currDF, m_currDFLen);
        m_selectionKnown = true;
    }
    unsigned char* last = bytes + dirLen;
    if (!reselect && m_currEFLen == 2 && sameBytes(m_currEF, last, 2)) {
        vn_log(3, "path already selected : %s \n", path.c_str());
        return 0;
    }
    m_currEFLen = 0;
    vn_log_buffer(3, "Select EF :", last, 2);
    const bool leave = sizeFromContent && LeaveAnswerOnT0();
    if (SCSelectEF(last) != 0 && !(leave && answerLeftOnCard())) {
        vn_log(3, "Error while selecting EF\n");
        m_selectionKnown = false;
        return SC_CMD_FAILED;
    }
    setCurrEF(last, 2);
    m_selectionKnown = true;
    return 0;
}

void CSC_Profile_Base::AssumeMasterFile() {
    const unsigned char mf[2] = {0x3F, 0x00};
    setCurrDF(mf, 2);
    setCurrEF(nullptr, 0);
    m_mfJustSelected = true;
    m_selectionKnown = true;
}

void CSC_Profile_Base::ForgetCurrentFile() {
    m_currDFLen = 0;
    m_currEFLen = 0;
    m_mfJustSelected = false;
    m_selectionKnown = false;
}

int CSC_Profile_Base::SCSelect() {
    bool sent = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        sent = SendToCard();
        if (!sent)
            return SC_CMD_FAILED;
        if (isSW(0x90, 0x00))
            break;
    }
    return vn_cardos::mapStatus(getSW(), vn_cardos::kSelectStatusNotFound);
}

int CSC_Profile_Base::SelectPath(std::string path, bool force, bool reselect, bool isDF, bool isAID) {
    VnTraceScope trace("CSC_Profile_Base::SelectPath", 2);
    vn_log(3, "path: %s   , force : %d\n", path.c_str(), force ? 1 : 0);
    vn_log_buffer(3, "Currpath: ", m_currDF, static_cast<unsigned int>(m_currDFLen));
    vn_log_buffer(3, "CurrEF: ", m_currEF, static_cast<unsigned int>(m_currEFLen));

    ForgetSelectionOfOthers();
    unsigned char bytes[kMaxPathBytes];
    unsigned int len = 0;
    if (isAID) {
        if (!ConvertPath(path, bytes, &len))
            return SC_CMD_FAILED;
        return SCSelectAID(bytes, len) != 0 ? SC_CMD_FAILED : 0;
    }
    if (force && SelectMFOnce() == SC_CMD_FAILED)
        return SC_CMD_FAILED;
    // An odd count of digits or a stray character names no file.
    if (!ConvertPath(path, bytes, &len) || len < 2 || len % 2 != 0)
        return SC_CMD_FAILED;
    const unsigned int fullLen = len;
    unsigned char full[kMaxPathBytes];
    std::memcpy(full, bytes, fullLen);
    // A directory that is reselected as it stands must not be appended to the cache twice.
    bool dfAlreadyCurrent =
        isDF && static_cast<unsigned int>(m_currDFLen) == fullLen && sameBytes(m_currDF, full, fullLen);
    GetRequestedPathPart(bytes, &len, reselect, isDF);
    if (len == 0) {
        vn_log(3, "path already selected : %s \n", path.c_str());
        return 0;
    }
    if (len == 2 && bytes[0] == 0x3F && bytes[1] == 0x00)
        return SelectMFOnce() == 0 ? 0 : SC_CMD_FAILED;

    for (unsigned int i = 0; i + 2 < len; i += 2) {
        unsigned char* id = bytes + i;
        // Only 3F00 is the MF: STARCOS layouts have directories 3F01 to 3F04.
        if (id[0] == 0x3F && id[1] == 0x00) {
            vn_log(3, "Select MF\n");
            if (SelectMFOnce() != 0) {
                vn_log(3, "Error while selecting MF\n");
                return SC_CMD_FAILED;
            }
            continue;
        }
        vn_log_buffer(3, "Select DF :", id, 2);
        const bool known = m_selectionKnown;
        if (SCSelectDF(id, 2) != 0) {
            vn_log(3, "Error while selecting DF\n");
            return SC_CMD_FAILED;
        }
        m_selectionKnown = known;
        if (m_currDFLen + 2 <= static_cast<int>(sizeof(m_currDF))) {
            std::memcpy(m_currDF + m_currDFLen, id, 2);
            m_currDFLen += 2;
        }
        // The current file names the new directory when it fits the file cache.
        setCurrEF(m_currDF, m_currDFLen);
    }
    unsigned char* last = bytes + len - 2;
    const bool known = m_selectionKnown;
    if (!isDF) {
        m_currEFLen = 0;
        vn_log_buffer(3, "Select EF :", last, 2);
        if (SCSelectEF(last) != 0) {
            vn_log(3, "Error while selecting EF\n");
            return SC_CMD_FAILED;
        }
        setCurrEF(last, 2);
        m_selectionKnown = known;
    } else {
        vn_log_buffer(3, "Select DF :", last, 2);
        if (SCSelectDF(last, 2) != 0) {
            vn_log(3, "Error while selecting DF\n");
            return SC_CMD_FAILED;
        }
        m_selectionKnown = known;
        if (!dfAlreadyCurrent && m_currDFLen + 2 <= static_cast<int>(sizeof(m_currDF))) {
            std::memcpy(m_currDF + m_currDFLen, last, 2);
            m_currDFLen += 2;
        }
        m_currEFLen = 0;
    }
    return 0;
}
