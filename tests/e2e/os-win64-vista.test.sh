# The operating-system check on 64-bit Windows Vista (6.0 SP2, the launcher under
# WOW64): the platform test; the probe that reports 64 and the redirection switches.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-os.sh"
os_prepare win64-vista
expect_probe 64 1

# A 32-bit entry fails the platform test; the 64-bit one after it is taken.
os_run "600,600_64" "ServicePack_MajorVersion=2"
expect_trace "600,600_64" "$(t_try 600 10032 2 0 platform)" "$(t_try 600 10064 2 0 64)" "$(t_found 600_64 2 0)"
expect_accepted "600,600_64" 64

# _X64 and "_64 " make 32-bit entries, rejected here.
os_run "600_X64,600_64 ,x"
expect_trace "32-bit markers" "$(t_try 600 10032 0 0 platform)" "$(t_try 600 10032 0 0 platform)" \
  "$(t_try 0 10032 0 0 version)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_os_message "32-bit markers"

# A service-pack minimum above SP 2.
os_run "600_64" "ServicePack_MajorVersion=2" "ServicePack_MinorVersion=1"
expect_trace "SP 2.1 on SP 2" "$(t_try 600 10064 2 1 version)" "$(t_try 0 10032 2 1 version)" "$(t_none)"
expect_os_message "SP 2.1 on SP 2"

finish
