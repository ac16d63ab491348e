// What the registration does with its decision: the real run writes the add-on's magic
// keyword into the installed product's data file, the plan ("-ui plan") says which key
// it would write. Which of the two acts is chosen once, by the application.
#pragma once
#include <windows.h>

#include <string>

class RegistrationActor {
public:
    virtual ~RegistrationActor() = default;
    // The data file of the first installed disc takes the add-on's magic keyword.
    virtual void Register(const std::wstring& dataFile) = 0;
    // No install folder, or no installed disc: nothing is registered.
    virtual void NotRegistered() = 0;
    // The registration was refused: something that is not the setup's own stands where
    // the data file's temporary goes.
    virtual bool Refused() const { return false; }
};

class RealRegistration : public RegistrationActor {
public:
    void Register(const std::wstring& dataFile) override;
    void NotRegistered() override {}
    bool Refused() const override { return m_refused; }

private:
    bool m_refused = false;
};

class PlanRegistration : public RegistrationActor {
public:
    void Register(const std::wstring& dataFile) override;
    void NotRegistered() override;
};

// Registers the add-on with the first installed disc of [XRV.CDGUIDs]: its data file,
// under the product's install folder, is handed to `actor`. FALSE when there is no
// install folder or no installed disc.
BOOL ProcessXRVCDGUIDsSection(RegistrationActor& actor);
// The disc is listed among the installed products.
bool IsCDGUIDInstalled(const std::wstring& cdGuid);
