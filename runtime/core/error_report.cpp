#include "runtime/core/error_report.h"

#include <windows.h>

#include "runtime/core/error_texts.h"
#include "runtime/core/runtime_app.h"

const char kTextErrorCaption[] = "错误";
const char kTextNoSuchProperty[] = "欲访问的窗口组件属性不存在";
const char kTextExternalPackageCall[] = "静态编译的程序不能调用外部程序包中的子程序";

void ReportRuntimeError(const char* message, int32_t code)
{
    RuntimeApp& app = Runtime();
    const std::string text = BuildRuntimeErrorText(message, code);
    if (!app.OnMainThread()) {
        // The lists belong to the main thread: it drops the exit routines itself.
        MessageBoxA(nullptr, text.c_str(), kTextErrorCaption, MB_OK | MB_ICONHAND);
        app.RequestEndFromWorker(-1, true);
    }
    // No unit event may reach a handler while the box is up or afterwards.
    ++app.eventSuppressionCount;
    MessageBoxA(nullptr, text.c_str(), kTextErrorCaption, MB_OK | MB_ICONHAND);
    // The program's own exit routines do not run after a fatal error.
    app.exitRoutines.Clear();
    app.EndProgram(-1);
}

extern "C" void ReportErrorCode(int32_t code)
{
    ReportRuntimeError(ErrorCodeMessage(code), code);
}
