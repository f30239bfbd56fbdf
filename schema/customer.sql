-- Customer database (DataDbPath, for example Data.gsd): unit gate codes and master codes.
-- The station only reads these tables; the facility's management software writes them.

CREATE TABLE tblUnitInfo (
    fldGateCode TEXT,
    fldCustFirstName TEXT,
    fldStatus TEXT,
    fldUnitName TEXT,
    fldCustID INTEGER,
    fldCustLastName TEXT,
    fldGateTimeZone INTEGER,
    fldGateExpireDate TEXT,        -- MMDDYY; "000000" or any other length: no expiry
    fldGateExclude INTEGER NOT NULL DEFAULT 0  -- -1 (as Access writes it), 1, True, Yes = yes; 0, False, No, empty = no; anything else refuses the unit
);

CREATE TABLE tblVextraMasterCodes (
    fldID INTEGER PRIMARY KEY,
    fldPassCode TEXT,
    fldFirstName TEXT,
    fldLastName TEXT,
    fldUnitNumber TEXT,
    fldKeyPad TEXT,
    fldTimeZone INTEGER,
    fldExpireDate TEXT
);

-- A keypad code is found without walking the tables.
CREATE INDEX idxUnitInfoGateCode ON tblUnitInfo (fldGateCode);
CREATE INDEX idxMasterCodesPassCode ON tblVextraMasterCodes (fldPassCode);
