#include "common/wait.h"

bool WaitAnsweringSentMessages(DWORD count, HANDLE const* handles, DWORD timeoutMs)
{
    DWORD const start = GetTickCount();
    // One handle at a time against one deadline: all of them end by then exactly
    // when the last one does, and no count limit applies.
    for (DWORD i = 0; i < count; ++i)
    {
        for (;;)
        {
            DWORD const elapsed = GetTickCount() - start;
            DWORD const remaining = elapsed < timeoutMs ? timeoutMs - elapsed : 0;
            DWORD const result =
                MsgWaitForMultipleObjects(1, &handles[i], FALSE, remaining, QS_SENDMESSAGE);
            if (result == WAIT_OBJECT_0)
            {
                break;
            }
            if (result != WAIT_OBJECT_0 + 1)
            {
                return false;
            }
            // Delivers the sent messages only; nothing is taken from the queue.
            MSG message = {};
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    return true;
}
