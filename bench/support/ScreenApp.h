#pragma once
// The whole program started in-process on a benchmark data source, offscreen,
// the way main() starts it, and the list refresh the screen runs after every
// save and deletion.

#include "BenchSandbox.h"

#include "app/Startup.h"
#include "ui/MessageService.h"

#include <memory>

namespace k4::bench {

// Answers every message with OK and counts them: a benchmark whose program
// showed a message did not do the work it claims to measure.
class CountingMessages : public MessageService {
public:
    using MessageService::show;
    int show(const QString& text, mb::Style style, const QString& caption) override;
    int count = 0;
    QString last;
};

struct ScreenApp {
    CountingMessages messages;
    std::unique_ptr<Application> app;

    // Runs the start-up up to the window shown and its first events handled.
    // Throws std::runtime_error when start-up failed or showed a message.
    static std::unique_ptr<ScreenApp> start(BenchSandbox& sandbox, const DataSource& source,
                                            int list_lines);
    ~ScreenApp();

    // The store's full list read and shown: the refresh after a save or deletion.
    // Throws std::runtime_error when the list did not open or fill.
    void refresh();
    int grid_rows() const;
};

// Qt as the program sets it up for its window: the Japanese faces the layout
// names mapped to the installed IPA fonts.
void install_program_fonts();

}  // namespace k4::bench
