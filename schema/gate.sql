-- Gate database (GateDbPath, for example Gate.gsd): the gate log and the daily access windows.

CREATE TABLE tblGateLog (
    fldID INTEGER PRIMARY KEY AUTOINCREMENT,
    fldDateTime TEXT,              -- local time, YYYY-MM-DD HH:MM:SS
    fldCode TEXT,
    fldReult TEXT,                 -- the result word (the column name is spelled this way)
    fldCustomer TEXT,
    fldUnitNumber TEXT,
    fldCustID INTEGER,
    fldZone TEXT
);

CREATE TABLE tblTimeZones (
    fldTimeZone INTEGER,
    fldStartTime TEXT,             -- HH:MM:SS, 24-hour
    fldStopTime TEXT
);

-- Log lists by date range and by customer.
CREATE INDEX idxGateLogDateTime ON tblGateLog (fldDateTime);
CREATE INDEX idxGateLogCustID ON tblGateLog (fldCustID);
