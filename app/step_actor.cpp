#include "app/step_actor.h"

#include "log/log_file.h"

namespace {

class RealStepActor : public StepActor {
public:
    PrinterActor& Printers() override { return m_printers; }
    RegistrationActor& Registration() override { return m_registration; }
    RunActor& Run() override { return m_run; }
    void SystemAccepted(const std::wstring&, const std::wstring&) override {}
    void DriverPackageFound(const std::wstring&, const std::wstring&) override {}
    WalkEnd Outcome(const WalkTally& tally) const override { return DecideWalkEnd(tally, false); }
    bool MayRestart() const override { return true; }

private:
    RealPrinterActor m_printers;
    RealRegistration m_registration;
    RealRunSteps m_run{m_printers};
};

class PlanStepActor : public StepActor {
public:
    PrinterActor& Printers() override { return m_printers; }
    RegistrationActor& Registration() override { return m_registration; }
    RunActor& Run() override { return m_run; }
    void SystemAccepted(const std::wstring& osEntry, const std::wstring& runSection) override
    {
        LogMessage(LOG_HIGH, L"** Plan: the system is accepted as os_list entry %s: Run section [%s]", osEntry.c_str(),
                   runSection.c_str());
    }
    void DriverPackageFound(const std::wstring& infPath, const std::wstring& keyword) override
    {
        LogMessage(LOG_HIGH, L"** Plan: the driver package is %s (magic keyword %s)", infPath.c_str(), keyword.c_str());
    }
    WalkEnd Outcome(const WalkTally& tally) const override { return DecideWalkEnd(tally, true); }
    bool MayRestart() const override { return false; }  // the plan changes nothing

private:
    PlanPrinterActor m_printers;
    PlanRegistration m_registration;
    PlanRunSteps m_run{m_printers};
};

}  // namespace

std::unique_ptr<StepActor> ChooseActor(const UnattendedMode& mode)
{
    if (mode.plan) return std::make_unique<PlanStepActor>();
    return std::make_unique<RealStepActor>();
}
