// Keep-alive worker: polls the card with SCardStatus every half second while a dialog waits.
#ifndef VN_STATUSTHREAD_H
#define VN_STATUSTHREAD_H

#include <pthread.h>
#include "vn_export.h"

class VN_EXPORT CStatusThread {
public:
    static bool startThread(long hCard);
    static bool stopThread();
    static void* WorkerThreadProc(void* arg);
    static void setThreadRunning(bool running);
    static void setThreadStop(bool stop);
    static bool getThreadStop();

    static bool threadStop;
    static bool threadRunning;
    static long m_hScard;
    static pthread_t m_pThread;
};

#endif
