// Ctrl-C, TERM and HUP during a batch. The first such signal asks the batch
// to stop: no file is started after it, the files being converted finish,
// and the batch ends with its summary. A second one ends the program at
// once: the progress bar is cleared and every temporary file removed (see
// AtomicFileWriter), so that nothing half-written is left either way.
#pragma once

namespace qm::cli {

class InterruptionHandlers {
  public:
    // Installs the handlers; the previous ones come back afterwards.
    InterruptionHandlers();
    ~InterruptionHandlers();
    InterruptionHandlers(const InterruptionHandlers&) = delete;
    InterruptionHandlers& operator=(const InterruptionHandlers&) = delete;

    // The first signal received, or 0.
    static int Received();
    // Whether a progress bar is on screen, for the handler that ends the
    // program.
    static void SetProgressShown(bool shown);
};

}  // namespace qm::cli
