#pragma once

// Gives the case page its makers of the analysis, fitting, forecast and report windows. Called
// once at start-up, before the first case page is built.
void registerCaseWindows();
