# The operating-system check on 32-bit Windows 7 (6.1 SP1): list order, the platform
# test and service-pack minimums; the 64-bit probe.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-os.sh"
os_prepare win32-win7
expect_probe 1 0

# The first entry that passes wins; entries after it are not read.
os_run "600,601_64,601,601_X64"
expect_trace "list order" "$(t_try 600 10032 0 0 version)" "$(t_try 601 10064 0 0 platform)" \
  "$(t_try 601 10032 0 0 32)" "$(t_found 601 0 0)"
expect_no_line "Read Section:[OS_Support.601_X64] Key=ServicePack_MajorVersion Value=<READ_FAILED>"
expect_accepted "list order" 32

# Service-pack minimums against SP 1: equal passes, above fails.
os_run "601" "[OS_Support.601]" "ServicePack_MajorVersion=1"
expect_trace "SP 1.0 on SP 1" "$(t_try 601 10032 1 0 32)" "$(t_found 601 1 0)"
expect_accepted "SP 1.0 on SP 1" 32
os_run "601" "[OS_Support.601]" "ServicePack_MajorVersion=2"
expect_trace "SP 2.0 on SP 1" "$(t_try 601 10032 2 0 version)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_os_message "SP 2.0 on SP 1"

finish
