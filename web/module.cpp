// The web page's module: rastova-convert's own run, called from JavaScript (api.js) with an
// argument list, over files in the module's memory file system; and the format registry as
// JSON, from which the page builds its controls.
#include "cli/convert_command.h"
#include "cli/text_stream.h"
#include "web/formats_json.h"

#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

// What the last run wrote to standard output and standard error.
std::string lastOut;
std::string lastErr;

// Tells the page's Module.onProgress, when it set one, how far the run has come.
EM_JS(void, TellProgress, (double done, double total), {
    if (Module["onProgress"]) {
        Module["onProgress"](done, total);
    }
});

void OnProgress(std::size_t done, std::size_t total) {
    TellProgress(static_cast<double>(done), static_cast<double>(total));
}

// The process as a shell would start it: emscripten's umask starts at 0777, which leaves every
// output file unreadable; and the folders the page puts its font in and takes the outputs from.
bool StartLikeAShell() {
    umask(022);
    return mkdir("/in", 0755) == 0 && mkdir("/out", 0755) == 0;
}
const bool kStarted = StartLikeAShell();

} // namespace

extern "C" {

// Runs rastova-convert with `argc` arguments (after the program's name); returns its exit
// status. Its standard output and error are kept for the calls below.
EMSCRIPTEN_KEEPALIVE int rastova_run(int argc, const char* const* argv) {
    const std::vector<std::string_view> args(argv, argv + argc);
    cli::StringText out;
    cli::StringText err;
    cli::SetProgressHook(OnProgress);
    const int status = cli::RunConvert(args, out, err);
    lastOut = std::move(out).str();
    lastErr = std::move(err).str();
    return status;
}

EMSCRIPTEN_KEEPALIVE const char* rastova_stdout_data() {
    return lastOut.data();
}

EMSCRIPTEN_KEEPALIVE std::size_t rastova_stdout_size() {
    return lastOut.size();
}

EMSCRIPTEN_KEEPALIVE const char* rastova_stderr() {
    return lastErr.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* rastova_formats_json() {
    static const std::string json = web::FormatsJson();
    return json.c_str();
}

} // extern "C"
