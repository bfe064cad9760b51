// The card keep-alive worker shown dialogs rely on: SCardStatus every 500 ms.
#include "StatusThread.h"

#include <PCSC/winscard.h>
#include <unistd.h>

#include <cstdio>

#include "infra/TraceScope.h"
#include "vn_log.h"

bool CStatusThread::threadStop = true;
bool CStatusThread::threadRunning = false;
long CStatusThread::m_hScard = 0;
pthread_t CStatusThread::m_pThread;

namespace {
const useconds_t kPollInterval = 500000;
}

bool CStatusThread::startThread(long hCard) {
    VnTraceScope trace(1, "<--entering CStatusThread::startThread\n", 2, "<--leaving CStatusThread::startThread\n");
    if (threadRunning || !threadStop) {
        trace.leaveWith(
            "<--leaving CStatusThread::startThread (CStatusThread::threadRunning || !CStatusThread::threadStop)\n");
        return false;
    }
    threadStop = false;
    m_hScard = hCard;
    if (pthread_create(&m_pThread, nullptr, &CStatusThread::WorkerThreadProc, nullptr) != 0) {
        fprintf(stderr, "Error creating thread\n");
        // No worker exists, so the state goes back to stopped; otherwise no later
        // start could ever succeed.
        threadStop = true;
    } else {
        // The worker is never joined; detaching frees its resources when it ends.
        pthread_detach(m_pThread);
    }
    return true;
}

void* CStatusThread::WorkerThreadProc(void*) {
    setThreadRunning(true);
    while (!getThreadStop()) {
        char readerName[200];
        DWORD readerLen = sizeof(readerName);
        DWORD state = 0;
        DWORD protocol = 0;
        unsigned char atr[32];
        DWORD atrLen = sizeof(atr);
        SCardStatus(m_hScard, readerName, &readerLen, &state, &protocol, atr, &atrLen);
        usleep(kPollInterval);
    }
    setThreadRunning(false);
    return nullptr;
}

bool CStatusThread::stopThread() {
    VnTraceScope trace(2, "<--entering CStatusThread::stopThread\n", 2, "<--leaving CStatusThread::stopThread\n");
    // A worker that was started but has not reached its loop yet would miss a refused
    // stop and poll for ever: give it a moment to get there.
    for (int i = 0; i < 100 && !threadStop && !threadRunning; ++i)
        usleep(10000);
    if (threadStop || !threadRunning) {
        threadStop = true;  // a worker that comes up late ends at once
        trace.leaveWith(
            "<--leaving CStatusThread::stopThread (CStatusThread::threadStop || !CStatusThread::threadRunning)\n");
        return false;
    }
    threadStop = true;
    while (threadRunning)
        usleep(kPollInterval);
    return true;
}

void CStatusThread::setThreadRunning(bool running) { threadRunning = running; }
void CStatusThread::setThreadStop(bool stop) { threadStop = stop; }
bool CStatusThread::getThreadStop() { return threadStop; }
