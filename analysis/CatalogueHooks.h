#pragma once

class DoseEventBuilder;
class DrugInfo;
class FitDriver;
class SessionData;

// Wires the fitting engine to the drug catalogue for the session's drug: the population F and
// its range per route for the dose-row expansion, and the refresh of the product constants at
// the start of every fit.
void useCatalogue(DoseEventBuilder& builder, DrugInfo* drugInfo, SessionData* session);
void useCatalogue(FitDriver& driver, DrugInfo* drugInfo);
