// The start of a run: the keys of the recovery key that the printer update acts on (the
// note of stopped programs, the records of deleted queues) are checked before anything
// reads them. One that someone other than an administrator or SYSTEM may have written
// may hold planted values: it is taken over, and what it held is kept aside in its
// "Quarantine" subkey, written to the log and never acted on.
#pragma once

// Takes over each key not trusted, quarantines what it held and logs it.
void SecureRecoveryKeys();

// "-ui plan": what SecureRecoveryKeys would do; nothing is changed.
void PlanRecoveryKeys();
