// Starts the converter's worker as the page begins to load, before its styles and modules, so
// that the module downloads and compiles while the rest of the page arrives. page.js takes it.
self.rastovaWorker = new Worker('worker.js');
