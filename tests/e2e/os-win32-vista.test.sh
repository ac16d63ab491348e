# The operating-system check on 32-bit Windows Vista (6.0 SP2): the platform marker,
# list separators and service-pack minimums; the 64-bit probe.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-os.sh"
os_prepare win32-vista
expect_probe 32 0

# A 64-bit entry passes the version test and fails the platform test; nothing else matches.
os_run "600_64"
expect_trace "600_64 on 32-bit" "$(t_try 600 10064 0 0 platform)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_os_message "600_64 on 32-bit"

# The marker is compared exactly: _X64 and "_64 " make 32-bit entries.
os_run "600_X64"
expect_trace "600_X64" "$(t_try 600 10032 0 0 32)" "$(t_found 600_X64 0 0)"
expect_accepted "600_X64" 32
os_run "600_64 ,700"
expect_trace "600_64 blank" "$(t_try 600 10032 0 0 32)" "$(t_found "600_64 " 0 0)"
expect_accepted "600_64 blank" 32

# A run of commas is one separator, also in front of the first entry.
os_run ",,501,,600"
expect_trace "501,,600" "$(t_try 501 10032 0 0 version)" "$(t_try 600 10032 0 0 32)" "$(t_found 600 0 0)"
expect_accepted "501,,600" 32

# A blank after the comma stays in the entry: " 600" reads as code 60.
os_run "501, 600"
expect_trace "501, 600" "$(t_try 501 10032 0 0 version)" "$(t_try 60 10032 0 0 version)" \
  "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_line "Read Section:[OS_Support. 600] Key=ServicePack_MajorVersion Value=<READ_FAILED>"
expect_os_message "501, 600"

# Service-pack minimums against SP 2: equal and below pass, above fails.
os_run "600" "ServicePack_MajorVersion=2"
expect_trace "SP 2.0 on SP 2" "$(t_try 600 10032 2 0 32)" "$(t_found 600 2 0)"
expect_accepted "SP 2.0 on SP 2" 32
os_run "600" "[OS_Support.600]" "ServicePack_MajorVersion=1" "ServicePack_MinorVersion=5"
expect_trace "SP 1.5 on SP 2" "$(t_try 600 10032 1 5 32)" "$(t_found 600 1 5)"
expect_accepted "SP 1.5 on SP 2" 32
os_run "600,600_64" "ServicePack_MajorVersion=3"
expect_trace "SP 3.0 on SP 2" "$(t_try 600 10032 3 0 version)" "$(t_try 600 10064 3 0 version)" \
  "$(t_try 0 10032 3 0 version)" "$(t_none)"
expect_os_message "SP 3.0 on SP 2"

finish
