#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class MainWindow;
class ProgramConfig;
class QApplication;
class SessionData;
class login;

// The start-up and log-in loop: each pass loads the settings, probes the case database, applies
// the style, opens the default connection, signs a user in (or runs as guest) and shows the main
// window. A pass that ends through "Log Out" starts the next one.
class StartupController
{
public:
    // Shows the main window and returns when it is done; production runs the event loop.
    using WindowRunner = std::function<void(MainWindow&)>;

    struct PassResult {
        bool restart = false;
        int exitCode = 0; // main's exit code when the pass ends the program
    };

    static constexpr int exitNormally = 0;
    static constexpr int exitLoginRejected = 1;
    static const char* const probeConnectionName;

    explicit StartupController(QApplication* application, WindowRunner runner = WindowRunner());
    ~StartupController();

    // Runs passes until one ends the program; returns main's exit code.
    int run();
    PassResult runPass();

    bool guest() const { return m_guest; }
    ProgramConfig* lastConfig() const;
    SessionData* lastSession() const;

    // Disabled fields show their text in the normal text colour.
    static void tweakPalette(QApplication* application);

private:
    bool reportMissingSettings(const ProgramConfig& config);
    void keepFilesFromOthers(const ProgramConfig& config);
    void probeDatabase(ProgramConfig& config);
    void checkCaseDatabase(ProgramConfig& config, const QString& path);
    void applyStyle(const ProgramConfig& config);
    void openDefaultConnection(const ProgramConfig& config, SessionData& session);
    bool logIn(ProgramConfig& config, SessionData& session);
    void enterGuestMode(ProgramConfig& config, int status, const QString& text);
    // A database another program locks is named as such; any other refusal gets its own text.
    void refuseDatabase(ProgramConfig& config, const QString& path, bool locked, int status,
                        const QString& text);

    QApplication* m_application;
    WindowRunner m_runner;
    bool m_guest = false;
    // Each pass's objects live until the program ends, as windows of a pass may still point at
    // them while the next pass starts.
    std::vector<std::unique_ptr<ProgramConfig>> m_configs;
    std::vector<std::unique_ptr<SessionData>> m_sessions;
    std::vector<std::unique_ptr<login>> m_logins;
};
