-- Sample units and master codes of the demo site: one for every kind of answer.
INSERT INTO tblUnitInfo (fldGateCode, fldCustFirstName, fldCustLastName, fldStatus, fldUnitName,
                         fldCustID, fldGateTimeZone, fldGateExpireDate, fldGateExclude) VALUES
  ('1234', 'Ada',    'Lovelace', 'Rented',    'A101', 1001, 0, '000000', 0),  -- valid
  ('1357', 'Alan',   'Turing',   'Rented-Cr', 'A102', 1002, 1, '123130', 0),  -- valid 7 AM - 8 PM
  ('2345', 'Grace',  'Hopper',   'Rented',    'B201', 1003, 0, '000000', -1), -- excluded: opens
  ('3456', 'Edsger', 'Dijkstra', 'Rented',    'B202', 1004, 0, '010125', 0),  -- expired 1/1/25
  ('4567', 'Barbara','Liskov',   'Rented',    'C301', 1005, 2, '000000', 0),  -- after hours
  ('5678', 'Donald', 'Knuth',    'Locked',    'C302', 1006, 0, '000000', 0),  -- locked out
  ('6789', 'Niklaus','Wirth',    'Rented',    'C303', 1007, 9, '000000', 0);  -- zone 9 missing

INSERT INTO tblVextraMasterCodes (fldID, fldPassCode, fldFirstName, fldLastName, fldUnitNumber,
                                  fldKeyPad, fldTimeZone, fldExpireDate) VALUES
  (1, '9999', 'Site', 'Manager', 'OFFICE', '', 0, '000000');
