-- Daily access windows of the demo site.
INSERT INTO tblTimeZones (fldTimeZone, fldStartTime, fldStopTime) VALUES
  (1, '07:00:00', '20:00:00'),
  (2, '02:00:00', '02:05:00');
