// The module's interface to the page, after emscripten's own code (--post-js). A module comes
// from the factory: `const rastova = await createRastova();` (classic script: importScripts in
// a worker, require in node). Then:
//
//   rastova.FS.writeFile('/in/font.ttf', bytes);   // folders /in and /out exist
//   const { code, stdout, stderr } = rastova.run(['--font-file', '/in/font.ttf', '--size',
//       '16px', '--set', 'ascii', '--format', 'gfx', '-o', '/out/font.h']);
//   const bytes = rastova.FS.readFile('/out/font.h');
//
// run(args) is rastova-convert with those arguments: `code` its exit status (0 done, 1 --strict
// found a problem, 2 refused), `stdout` what it wrote to standard output (a Uint8Array: the
// output when there is no -o, --help, --list-formats), `stderr` its messages, one a line, in
// the command line's words. A run's files stay in the file system until the page removes them.
// formats() is the format registry: [{ name, help, options: [...], depths: [...], ... }] and
// the options only some formats take, with the values each accepts (see web/formats_json.cpp).
// Module.onProgress = (done, total) => {...} is called while a run draws its characters, every
// 64 characters and after the last; to cancel a run, terminate the worker that runs it.
Module['run'] = function (args) {
    const pointers = args.map((arg) => {
        const size = lengthBytesUTF8(arg) + 1;
        const pointer = _malloc(size);
        stringToUTF8(arg, pointer, size);
        return pointer;
    });
    const argv = _malloc(4 * Math.max(pointers.length, 1));
    pointers.forEach((pointer, i) => {
        HEAPU32[(argv >> 2) + i] = pointer;
    });
    let code;
    try {
        code = _rastova_run(pointers.length, argv);
    } finally {
        pointers.forEach((pointer) => _free(pointer));
        _free(argv);
    }
    const data = _rastova_stdout_data();
    const stdout = HEAPU8.slice(data, data + _rastova_stdout_size());
    return { code: code, stdout: stdout, stderr: UTF8ToString(_rastova_stderr()) };
};

Module['formats'] = function () {
    return JSON.parse(UTF8ToString(_rastova_formats_json()));
};
