# The operating-system check on 64-bit Windows 7 (6.1 SP1, the launcher under WOW64);
# the probe (not a version 6.0 system) and the redirection switches.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-os.sh"
os_prepare win64-win7
expect_probe 1 1

os_run "601,601_64" "[OS_Support.601_64]" "ServicePack_MajorVersion=0"
expect_trace "601,601_64" "$(t_try 601 10032 0 0 platform)" "$(t_try 601 10064 0 0 64)" "$(t_found 601_64 0 0)"
expect_accepted "601,601_64" 64

# No os_list under WOW64: the same walk as elsewhere.
os_run "-"
expect_trace "no os_list" "$(t_try 0 10032 0 0 version)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_os_message "no os_list"

finish
