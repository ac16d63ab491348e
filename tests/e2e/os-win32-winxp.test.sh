# The operating-system check on 32-bit Windows XP (5.1 SP3), with the message box of a
# failing check: its text, caption and the UI driver's ways of closing it.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-os.sh"
os_prepare win32-winxp

# 501,501_64 with the service-pack minimum 2.0: the 32-bit entry is taken.
os_run "501,501_64" "ServicePack_MajorVersion=2"
expect_trace "501,501_64" "$(t_try 501 10032 2 0 32)" "$(t_found 501 2 0)"
expect_accepted "501,501_64" 32
expect_sequence 0 "--> Enter ReadSPVersion()" "Service Pack Major Version is 2" \
  "Service Pack Minor Version information not found. Set to Default \"0\"" "Service Pack Minor Version is 0" \
  "<-- Exit ReadSPVersion()" "--> Enter ValidateOS( 501, 10032, 2, 0)"

# The entry's own service-pack minimum beats the plain one: equal to the system's (3.0) passes.
os_run "501" "ServicePack_MajorVersion=9" "[OS_Support.501]" "ServicePack_MajorVersion=3" "ServicePack_MinorVersion=0"
expect_trace "SP 3.0 on SP 3" "$(t_try 501 10032 3 0 32)" "$(t_found 501 3 0)"
expect_accepted "SP 3.0 on SP 3" 32

# Above the system's: 4.0, and 3.1. The empty end entry falls back to the plain section.
os_run "501" "ServicePack_MajorVersion=1" "[OS_Support.501]" "ServicePack_MajorVersion=4"
expect_trace "SP 4.0 on SP 3" "$(t_try 501 10032 4 0 version)" "$(t_try 0 10032 1 0 version)" "$(t_none)"
expect_os_message "SP 4.0 on SP 3"
expect_no_line "Window caption not found"
# The \n really breaks the line: the text is twice as high as a one-line text.
two_lines=$(dialog_line 1 "control id=65535 " | sed -n 's/.* h=\([0-9]*\)$/\1/p')
OS_TEXT="One line only." os_run "501" "[OS_Support.501]" "ServicePack_MajorVersion=4"
one_line=$(dialog_line 1 "control id=65535 " | sed -n 's/.* h=\([0-9]*\)$/\1/p')
expect_eq "height of the two-line text (one line: $one_line)" "$((2 * ${one_line:-0}))" "$two_lines"
os_run "501" "[OS_Support.501]" "ServicePack_MajorVersion=3" "ServicePack_MinorVersion=1"
expect_trace "SP 3.1 on SP 3" "$(t_try 501 10032 3 1 version)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_os_message "SP 3.1 on SP 3"

# A 64-bit 5.1 entry is tested as 5.2 and fails the version test here.
os_run "501_64,600,601"
expect_trace "501_64 on 32-bit 5.1" "$(t_try 501 10064 0 0 version)" "$(t_try 600 10032 0 0 version)" \
  "$(t_try 601 10032 0 0 version)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_os_message "501_64 on 32-bit 5.1"

# No os_list: "<READ_FAILED>" and the empty entry, both as version 0.0.
os_run "-"
expect_trace "no os_list" "$(t_try 0 10032 0 0 version)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_line "Read Section:[OS_Support] Key=os_list Value=<READ_FAILED>"
expect_line "Read Section:[OS_Support.<READ_FAILED>] Key=ServicePack_MajorVersion Value=<READ_FAILED>"
expect_os_message "no os_list"

# At the default level only the result is written.
OS_ARGS=" " os_run "600"
expect_trace "level 1" "$(t_none)"
expect_no_line "Read Section:[OS_Support] Key=os_list Value=600"
expect_os_message "level 1"

# No caption in the configuration: "<READ_FAILED>" and the 511 line.
os_run "600" "[Version]" "Log=511"
sed -i '/^WindowCaption=/d' "$MEDIUM/autorun.inf"
new_temp
run_setup_closing "-log 511"
expect_eq "no caption: exit code" 0 "$RUN_RC"
expect_line "Window caption not found"
expect_message "no caption" "<READ_FAILED>" "$OS_SHOWN"

# No configuration file at all: an empty box under "<READ_FAILED>".
rm -f "$MEDIUM/autorun.inf"
new_temp
run_setup_closing "-log 511"
expect_eq "no configuration: exit code" 0 "$RUN_RC"
expect_trace "no configuration" "$(t_try 0 10032 0 0 version)" "$(t_try 0 10032 0 0 version)" "$(t_none)"
expect_line "Window caption not found"
expect_message "no configuration" "<READ_FAILED>" ""

# A user language that the language map does not list: English's text, named in the log.
os_config "600"
new_temp
LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 run_setup_closing "-log 511"
expect_eq "unlisted language: exit code" 0 "$RUN_RC"
expect_line "Read Section:[LangMap] Key=0x0407 Value=<READ_FAILED>"
expect_line "## [LangMap] has no entry for the user's language 0x0407: using 0x0409 (English)"
expect_os_message "unlisted language"

# The UI driver on a real message box: wait, dump, click, Enter, waitgone.
new_temp
RUN_BACKGROUND=1 run_setup "-log 511"
uidriver wait 30000; ok $? "uidriver wait found no message box"
uidriver wait 100 --title "no such caption"; expect_eq "wait with another title" 1 $?
uidriver dump --title "Add-on" | head -n1 | grep -q "^window caption=\[$OS_CAPTION\] "
ok $? "dump --title picks the box"
uidriver click 4711; expect_eq "click on a missing control" 3 $?
uidriver click 1; ok $? "click OK"
uidriver waitgone 5000; ok $? "the box stays after a click on OK"
wait "$RUN_PID"; expect_eq "exit code after OK" 0 $?
uidriver dump >/dev/null; expect_eq "dump without a window" 1 $?

RUN_BACKGROUND=1 run_setup "-log 511"
uidriver wait 30000; ok $? "uidriver wait found no message box"
uidriver key enter; ok $? "key enter"
uidriver waitgone 5000; ok $? "the box stays after Enter"
wait "$RUN_PID"; expect_eq "exit code after Enter" 0 $?

finish
