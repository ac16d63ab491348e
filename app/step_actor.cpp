#include "app/step_actor.h"

#include "log/log_file.h"

namespace {

class RealStepActor : public StepActor {
public:
    PrinterActor& Printers() override { return m_printers; }
    RegistrationActor& Registration() override { return m_registration; }
    void SystemAccepted(const std::wstring&, const std::wstring&) override {}
    void DriverPackageFound(const std::wstring&, const std::wstring&) override {}
    EntryStep RunEntry(const LaunchContext& context, const EntryToRun& run) override
    {
        return RunEntryNow(context, m_printers, run);
    }
    void NoDataFileCopy() override {}
    void CopyDataFile(const std::wstring& source, const std::wstring& destination) override
    {
        CopyDataFileNow(source, destination);
    }
    void RunListEnded(bool) override {}
    RunOutcome Outcome(const WalkTally& tally) const override
    {
        return tally.queuesLost > 0 ? RunOutcome::QueueLost : OutcomeOfRunList(tally.runList);
    }
    bool MayRestart() const override { return true; }

private:
    RealPrinterActor m_printers;
    RealRegistration m_registration;
};

class PlanStepActor : public StepActor {
public:
    PrinterActor& Printers() override { return m_printers; }
    RegistrationActor& Registration() override { return m_registration; }
    void SystemAccepted(const std::wstring& osEntry, const std::wstring& runSection) override
    {
        LogMessage(LOG_HIGH, L"** Plan: the system is accepted as os_list entry %s: Run section [%s]", osEntry.c_str(),
                   runSection.c_str());
    }
    void DriverPackageFound(const std::wstring& infPath, const std::wstring& keyword) override
    {
        LogMessage(LOG_HIGH, L"** Plan: the driver package is %s (magic keyword %s)", infPath.c_str(), keyword.c_str());
    }
    EntryStep RunEntry(const LaunchContext& context, const EntryToRun& run) override
    {
        return PlanEntry(context, m_printers, run);
    }
    void NoDataFileCopy() override
    {
        LogMessage(LOG_HIGH, L"** Plan: no data file copy: the Uninstall entry names no data file");
    }
    void CopyDataFile(const std::wstring& source, const std::wstring& destination) override
    {
        PlanDataFileCopy(source, destination);
    }
    void RunListEnded(bool forceRestart) override
    {
        if (forceRestart)
            LogMessage(LOG_HIGH, L"** Plan: the computer would be restarted at the end (-restart force)");
        else
            LogMessage(LOG_HIGH, L"** Plan: the computer would have to be restarted (exit code 3010 with -ui quiet)");
    }
    RunOutcome Outcome(const WalkTally& tally) const override
    {
        return tally.mediumProgramsMissing > 0 ? RunOutcome::PlanProgramMissing : RunOutcome::PlanCompleted;
    }
    bool MayRestart() const override { return false; }  // the plan changes nothing

private:
    PlanPrinterActor m_printers;
    PlanRegistration m_registration;
};

}  // namespace

std::unique_ptr<StepActor> ChooseActor(const UnattendedMode& mode)
{
    if (mode.plan) return std::make_unique<PlanStepActor>();
    return std::make_unique<RealStepActor>();
}
