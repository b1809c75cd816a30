#include "app/ProcessEnd.h"

#include <QtGlobal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

int endProcess(int code)
{
    std::fflush(nullptr);
#ifdef Q_OS_WIN
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
#endif
    return code;
}
