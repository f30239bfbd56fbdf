-- The fleet database (PostgreSQL): every site's units, master codes and time
-- zones, kept in one place, and one gate log of every station. Each station
-- keeps deciding from its own SQLite files; gate-sync copies between them.
-- Column names of the copied tables are the station's own, so one list of
-- columns serves both sides.

-- Which migrations (schema/fleet/NNN_*.sql) this database holds; a program
-- refuses a database whose version is newer than it knows.
CREATE TABLE fleet_schema_version (
    version integer PRIMARY KEY,
    applied_at timestamptz NOT NULL DEFAULT now()
);

CREATE TABLE sites (
    site text PRIMARY KEY,
    name text NOT NULL DEFAULT '',
    -- Raised by every change of the site's units, master codes (a site-less
    -- master code raises every site's) or time zones: a station that pulled
    -- this count has nothing new to pull.
    change_count bigint NOT NULL DEFAULT 0
);

CREATE TABLE stations (
    site text NOT NULL REFERENCES sites ON UPDATE CASCADE,
    station text NOT NULL,
    last_contact timestamptz,          -- gate-sync's last push or check
    rows_waiting bigint NOT NULL DEFAULT 0, -- log rows the station holds that are not here yet
    pulled_change bigint,              -- the site's change_count the station's files hold
    status text NOT NULL DEFAULT '',   -- gate-sync's last word on the station
    PRIMARY KEY (site, station)
);

-- Rows are taken in id order: the first row of a code is the one the station uses.
CREATE TABLE units (
    id bigserial PRIMARY KEY,
    site text NOT NULL REFERENCES sites ON UPDATE CASCADE,
    fldGateCode text NOT NULL DEFAULT '',
    fldCustFirstName text NOT NULL DEFAULT '',
    fldStatus text NOT NULL DEFAULT '',
    fldUnitName text NOT NULL DEFAULT '',
    fldCustID bigint,
    fldCustLastName text NOT NULL DEFAULT '',
    fldGateTimeZone integer NOT NULL DEFAULT 0,
    fldGateExpireDate text NOT NULL DEFAULT '000000', -- MMDDYY, 000000: none
    fldGateExclude text NOT NULL DEFAULT '0'          -- as the station reads it: -1, 1, True, Yes / 0, False, No
);
CREATE INDEX units_site ON units (site, id);
CREATE INDEX units_code ON units (fldGateCode);

-- A master code without a site opens every site's gates. fldID is the
-- station's key of the row.
CREATE TABLE master_codes (
    fldID bigserial PRIMARY KEY,
    site text REFERENCES sites ON UPDATE CASCADE,
    fldPassCode text NOT NULL DEFAULT '',
    fldFirstName text NOT NULL DEFAULT '',
    fldLastName text NOT NULL DEFAULT '',
    fldUnitNumber text NOT NULL DEFAULT '',
    fldKeyPad text NOT NULL DEFAULT '',
    fldTimeZone integer NOT NULL DEFAULT 0,
    fldExpireDate text NOT NULL DEFAULT '000000'
);
CREATE INDEX master_codes_site ON master_codes (site);

CREATE TABLE time_zones (
    id bigserial PRIMARY KEY,
    site text NOT NULL REFERENCES sites ON UPDATE CASCADE,
    fldTimeZone integer NOT NULL,
    fldStartTime text NOT NULL, -- HH:MM:SS, 24-hour
    fldStopTime text NOT NULL
);
CREATE INDEX time_zones_site ON time_zones (site, id);

-- Every station's log. (site, station, local_id) names a row once: a row sent
-- again after a lost confirmation is not taken twice.
CREATE TABLE gate_log (
    site text NOT NULL,
    station text NOT NULL,
    local_id bigint NOT NULL,          -- the row's fldID in the station's tblGateLog
    fldDateTime text NOT NULL DEFAULT '', -- the station's local time, YYYY-MM-DD HH:MM:SS
    fldCode text NOT NULL DEFAULT '',
    fldReult text NOT NULL DEFAULT '',
    fldCustomer text NOT NULL DEFAULT '',
    fldUnitNumber text NOT NULL DEFAULT '',
    fldCustID bigint,
    fldZone text NOT NULL DEFAULT '',
    received_at timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (site, station, local_id),
    FOREIGN KEY (site, station) REFERENCES stations ON UPDATE CASCADE
);
CREATE INDEX gate_log_time ON gate_log (fldDateTime);
CREATE INDEX gate_log_customer ON gate_log (fldCustID);

-- A change raises the site's count and wakes its stations' gate-sync
-- (LISTEN fleet_change; the payload is the site, empty for every site).
CREATE FUNCTION fleet_site_changed(changed text) RETURNS void LANGUAGE plpgsql AS $$
BEGIN
    UPDATE sites SET change_count = change_count + 1 WHERE changed IS NULL OR site = changed;
    PERFORM pg_notify('fleet_change', coalesce(changed, ''));
END $$;

CREATE FUNCTION fleet_row_changed() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP <> 'INSERT' THEN
        PERFORM fleet_site_changed(OLD.site);
    END IF;
    IF TG_OP <> 'DELETE' AND (TG_OP = 'INSERT' OR NEW.site IS DISTINCT FROM OLD.site) THEN
        PERFORM fleet_site_changed(NEW.site);
    END IF;
    RETURN NULL;
END $$;

CREATE TRIGGER units_changed AFTER INSERT OR UPDATE OR DELETE ON units
    FOR EACH ROW EXECUTE FUNCTION fleet_row_changed();
CREATE TRIGGER master_codes_changed AFTER INSERT OR UPDATE OR DELETE ON master_codes
    FOR EACH ROW EXECUTE FUNCTION fleet_row_changed();
CREATE TRIGGER time_zones_changed AFTER INSERT OR UPDATE OR DELETE ON time_zones
    FOR EACH ROW EXECUTE FUNCTION fleet_row_changed();
