# The operating-system check on 64-bit Windows XP (5.2 SP2, the launcher under WOW64):
# 64-bit 5.1 entries are tested as 5.2; the 64-bit probe and the redirection switches.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-os.sh"
os_prepare win64-winxp64
expect_probe 1 1

# 501,501_64 with the minimum 2.0: 501 fails the version test, 501_64 passes as 5.2.
os_run "501,501_64" "ServicePack_MajorVersion=2"
expect_trace "501,501_64" "$(t_try 501 10032 2 0 version)" "$(t_try 501 10064 2 0 64)" "$(t_found 501_64 2 0)"
expect_accepted "501,501_64" 64

# A 32-bit 5.2 entry fails the platform test.
os_run "502"
expect_trace "502 on 64-bit" "$(t_try 502 10032 0 0 platform)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_os_message "502 on 64-bit"

# Service-pack minimums against SP 2: below passes, above fails.
os_run "502_64" "[OS_Support.502_64]" "ServicePack_MajorVersion=1"
expect_trace "SP 1.0 on SP 2" "$(t_try 502 10064 1 0 64)" "$(t_found 502_64 1 0)"
expect_accepted "SP 1.0 on SP 2" 64
os_run "501_64" "[OS_Support.501_64]" "ServicePack_MajorVersion=3"
expect_trace "SP 3.0 on SP 2" "$(t_try 501 10064 3 0 version)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_os_message "SP 3.0 on SP 2"

finish
