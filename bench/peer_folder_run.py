#!/usr/bin/python3
"""What a user would write instead of a folder run: decode every submission file of a folder,
merge it into a reply text and record the reply with its fields in SQLite, one connection and one
transaction per reply.
Standard library only. Prints the files processed, the seconds taken and the processor seconds
spent as JSON."""
import datetime
import fnmatch
import json
import os
import sqlite3
import sys
import time
import urllib.parse


def main():
    folder, patterns, design_file, database = sys.argv[1:5]
    with open(design_file, encoding="utf-8", newline="") as f:
        design = f.read()
    patterns = [p.lower() for p in patterns.split(";") if p]
    started = time.perf_counter()
    cpu_started = time.process_time()
    names = sorted(
        (n for n in os.listdir(folder)
         if os.path.isfile(os.path.join(folder, n))
         and any(fnmatch.fnmatchcase(n.lower(), p) for p in patterns)),
        key=str.lower)
    done = 0
    for name in names:
        with open(os.path.join(folder, name), "rb") as f:
            text = f.read().decode("latin-1")
        reply = design
        fields = urllib.parse.parse_qsl(text, keep_blank_values=True, encoding="utf-8")
        for key, value in fields:
            reply = reply.replace("<<" + key + ">>", value)
        connection = sqlite3.connect(database)
        row = connection.execute(
            "INSERT INTO Form_Response (Form_Reponse_Source_Date, Form_Response_Source_Address,"
            " Form_Response_Subject, Form_Response_Message, Form_Response_Status)"
            " VALUES (?, ?, ?, ?, ?)",
            (datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ"),
             "Prompt For Email Address", "Receipt Confirmation", reply, "Not sent")).lastrowid
        connection.executemany(
            "INSERT INTO Form_Field (Form_Response_ID, Field_Position, Form_Name, Friendly_Name,"
            " Field_Value) VALUES (?, ?, ?, ?, ?)",
            ((row, k + 1, key, key, value) for k, (key, value) in enumerate(fields)))
        connection.commit()
        connection.close()
        done += 1
    print(json.dumps({"files": done, "seconds": time.perf_counter() - started,
                      "cpu_seconds": time.process_time() - cpu_started}))


if __name__ == "__main__":
    main()
