// The one choice between acting and planning. Every step of the walk decides what it
// would do as a plain record and hands it to the run's actor: the real actor carries it
// out and writes the run's log lines, the plan actor ("-ui plan") writes the
// "** Plan: " lines and changes nothing. ChooseActor is the only place that asks which.
#pragma once
#include <memory>
#include <string>

#include "app/cmdline.h"
#include "app/run_outcome.h"
#include "printers/printer_actor.h"
#include "product/registration_actor.h"
#include "run/run_steps.h"

class StepActor {
public:
    virtual ~StepActor() = default;
    virtual PrinterActor& Printers() = 0;
    virtual RegistrationActor& Registration() = 0;
    // The os_list entry accepted, and the Run section it runs.
    virtual void SystemAccepted(const std::wstring& osEntry, const std::wstring& runSection) = 0;
    // The INF file the driver package was found in, with its magic keyword.
    virtual void DriverPackageFound(const std::wstring& infPath, const std::wstring& keyword) = 0;
    virtual RunActor& Run() = 0;
    // How the run ends, once the Run list has ended (DecideWalkEnd, for a real run or the plan).
    virtual WalkEnd Outcome(const WalkTally& tally) const = 0;
    // Whether "-restart force" may restart the computer at the end.
    virtual bool MayRestart() const = 0;
};

std::unique_ptr<StepActor> ChooseActor(const UnattendedMode& mode);
