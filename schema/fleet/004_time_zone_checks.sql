-- Time zones as the zone editor keeps them: numbers 1 to 63, each once a
-- site, times of day HH:MM:SS.
ALTER TABLE time_zones
    ADD CONSTRAINT time_zones_number CHECK (fldTimeZone BETWEEN 1 AND 63),
    ADD CONSTRAINT time_zones_start CHECK (fldStartTime ~ '^([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$'),
    ADD CONSTRAINT time_zones_stop CHECK (fldStopTime ~ '^([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$'),
    ADD CONSTRAINT time_zones_once UNIQUE (site, fldTimeZone);
