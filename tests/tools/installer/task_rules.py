#!/usr/bin/env python3
"""The scheduled task's definition against the rules of Microsoft's Task
Scheduler schema (version 1.2, the one it declares), which schtasks /XML
enforces: each element it uses must be one the schema has where it
stands, and each value within its type.

  task_rules.py FILE...    exit 1, naming each fault, when one breaks them
"""
import re
import sys
import xml.etree.ElementTree as ET

NS = "{http://schemas.microsoft.com/windows/2004/02/mit/task}"
DURATION = re.compile(r"^P(?!$)(\d+Y)?(\d+M)?(\d+D)?(T(?=\d)(\d+H)?(\d+M)?(\d+(\.\d+)?S)?)?$")


def seconds(text):
    """An xs:duration in seconds (a month as 30 days, a year as 365)."""
    m = DURATION.match(text or "")
    if not m:
        return None
    num = lambda g: float(g[:-1]) if g else 0.0
    return (num(m.group(1)) * 365 * 86400 + num(m.group(2)) * 30 * 86400 + num(m.group(3)) * 86400 +
            num(m.group(5)) * 3600 + num(m.group(6)) * 60 + num(m.group(7)))


def boolean(v):
    return None if v in ("true", "false", "1", "0") else "not an xs:boolean"


def duration(low=None, high=None):
    def check(v):
        s = seconds(v)
        if s is None:
            return "not an xs:duration"
        if low is not None and s < seconds(low) or high is not None and s > seconds(high):
            return f"outside {low or '0'} to {high or 'no limit'}"
        return None
    return check


def integer(low, high):
    def check(v):
        if not re.fullmatch(r"[+]?\d+", v or ""):
            return "not a whole number"
        return None if low <= int(v) <= high else f"outside {low} to {high}"
    return check


def one_of(*values):
    return lambda v: None if v in values else "not one of " + ", ".join(values)


def text(v):
    return None if (v or "").strip() else "empty"


# Where an element may stand and what its value must be (None: it holds
# elements, checked on their own).
RULES = {
    "RegistrationInfo": None, "RegistrationInfo/Author": text, "RegistrationInfo/Description": text,
    "RegistrationInfo/Date": text, "RegistrationInfo/Version": text, "RegistrationInfo/URI": text,
    "Triggers": None, "Triggers/BootTrigger": None, "Triggers/BootTrigger/Enabled": boolean,
    "Triggers/BootTrigger/Delay": duration(),
    "Principals": None, "Principals/Principal": None, "Principals/Principal/UserId": text,
    "Principals/Principal/LogonType": one_of("S4U", "Password", "InteractiveToken", "InteractiveTokenOrPassword",
                                             "ServiceAccount", "None"),
    "Principals/Principal/RunLevel": one_of("LeastPrivilege", "HighestAvailable"),
    "Settings": None,
    "Settings/AllowStartOnDemand": boolean, "Settings/AllowHardTerminate": boolean,
    "Settings/DisallowStartIfOnBatteries": boolean, "Settings/StopIfGoingOnBatteries": boolean,
    "Settings/StartWhenAvailable": boolean, "Settings/RunOnlyIfNetworkAvailable": boolean,
    "Settings/RunOnlyIfIdle": boolean, "Settings/WakeToRun": boolean, "Settings/Enabled": boolean,
    "Settings/Hidden": boolean,
    "Settings/MultipleInstancesPolicy": one_of("Parallel", "Queue", "IgnoreNew", "StopExisting"),
    "Settings/ExecutionTimeLimit": duration(), "Settings/DeleteExpiredTaskAfter": duration(),
    "Settings/Priority": integer(0, 10),
    "Settings/IdleSettings": None, "Settings/IdleSettings/StopOnIdleEnd": boolean,
    "Settings/IdleSettings/RestartOnIdle": boolean, "Settings/IdleSettings/Duration": duration("PT1M", "P31D"),
    "Settings/IdleSettings/WaitTimeout": duration("PT1M", "P31D"),
    "Settings/RestartOnFailure": None,
    "Settings/RestartOnFailure/Interval": duration("PT1M", "P31D"),
    "Settings/RestartOnFailure/Count": integer(1, 255),  # unsignedByte, minInclusive 1
    "Actions": None, "Actions/Exec": None, "Actions/Exec/Command": text, "Actions/Exec/Arguments": text,
    "Actions/Exec/WorkingDirectory": text,
}
# Both or neither.
PAIRS = [("Settings/RestartOnFailure/Interval", "Settings/RestartOnFailure/Count")]


def faults(path):
    data = open(path, "rb").read()
    if not data.startswith(b"\xff\xfe"):
        return ["not UTF-16 LE with a byte-order mark"]
    task = ET.fromstring(data)
    found = []
    if task.tag != NS + "Task" or task.get("version") != "1.2":
        found.append("not a Task of version 1.2")

    def walk(element, where):
        for child in element:
            name = child.tag[len(NS):] if child.tag.startswith(NS) else child.tag
            at = f"{where}/{name}" if where else name
            if at not in RULES:
                found.append(f"{at}: no such element there")
                continue
            rule = RULES[at]
            if rule is None:
                walk(child, at)
            elif (why := rule(child.text)) is not None:
                found.append(f"{at} = {child.text!r}: {why}")
    walk(task, "")
    for a, b in PAIRS:
        has = lambda p: task.find(NS + p.replace("/", "/" + NS)) is not None
        if has(a) != has(b):
            found.append(f"{a} and {b} go together")
    return found


def main():
    bad = 0
    for path in sys.argv[1:]:
        for fault in faults(path):
            print(f"{path}: {fault}")
            bad += 1
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
