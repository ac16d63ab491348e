set(PRINTERS_TEXT_SOURCES printer_text.cpp saved_queue.cpp restart_rules.cpp)
set(PRINTERS_WIN_SOURCES update_plugin.cpp printer_queues.cpp process_control.cpp spooler.cpp queue_safety.cpp)
list(APPEND PRINTERS_WIN_SOURCES stopped_product.cpp printer_actor.cpp recovery_keys.cpp)
