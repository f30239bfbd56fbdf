-- Each station logs in with a database role of its own (gatectl fleet
-- add-station). Row-level security lets that role read only its site's units
-- and time zones, its site's master codes and those of every site, insert log
-- rows only as itself and update only its own row of `stations`: a stolen
-- station's password opens nothing else. The office's role owns the tables,
-- and an owner is never bound by its tables' policies (there is no FORCE ROW
-- LEVEL SECURITY here, on purpose): gate-sync must use a station role.

-- The role a station logs in with; NULL for a station added without one.
ALTER TABLE stations ADD COLUMN role text UNIQUE;

ALTER TABLE sites ENABLE ROW LEVEL SECURITY;
ALTER TABLE stations ENABLE ROW LEVEL SECURITY;
ALTER TABLE units ENABLE ROW LEVEL SECURITY;
ALTER TABLE master_codes ENABLE ROW LEVEL SECURITY;
ALTER TABLE time_zones ENABLE ROW LEVEL SECURITY;
ALTER TABLE gate_log ENABLE ROW LEVEL SECURITY;

-- A role that is no station's sees no row at all: the subqueries find nothing.
CREATE POLICY station_own_row ON stations FOR SELECT USING (role = current_user);
CREATE POLICY station_own_row_update ON stations FOR UPDATE
    USING (role = current_user) WITH CHECK (role = current_user);
CREATE POLICY station_site ON sites FOR SELECT
    USING (site = (SELECT s.site FROM stations s WHERE s.role = current_user));
CREATE POLICY station_site ON units FOR SELECT
    USING (site = (SELECT s.site FROM stations s WHERE s.role = current_user));
CREATE POLICY station_site ON time_zones FOR SELECT
    USING (site = (SELECT s.site FROM stations s WHERE s.role = current_user));
CREATE POLICY station_site ON master_codes FOR SELECT
    USING (site IS NULL OR site = (SELECT s.site FROM stations s WHERE s.role = current_user));
CREATE POLICY station_own_rows ON gate_log FOR SELECT
    USING ((site, station) = (SELECT s.site, s.station FROM stations s WHERE s.role = current_user));
CREATE POLICY station_own_rows_insert ON gate_log FOR INSERT
    WITH CHECK ((site, station) = (SELECT s.site, s.station FROM stations s WHERE s.role = current_user));

-- What gate-sync needs and nothing more: no UPDATE or DELETE of log rows, no
-- writes to codes, and of its own station row only the columns it reports.
CREATE FUNCTION fleet_grant_station(station_role text) RETURNS void LANGUAGE plpgsql AS $$
BEGIN
    EXECUTE format('GRANT SELECT ON fleet_schema_version, sites, units, master_codes, time_zones TO %I',
                   station_role);
    EXECUTE format('GRANT SELECT, INSERT ON gate_log TO %I', station_role);
    EXECUTE format('GRANT SELECT, UPDATE (last_contact, rows_waiting, pulled_change, status) '
                   'ON stations TO %I', station_role);
END $$;

-- `verifier` is the password's SCRAM verifier, so the password itself never
-- reaches the server (nor its statement log). Creating a role needs CREATEROLE.
CREATE FUNCTION fleet_add_station(new_site text, new_station text, new_role text, verifier text)
RETURNS void LANGUAGE plpgsql AS $$
DECLARE
    held text;
BEGIN
    SELECT role INTO held FROM stations WHERE site = new_site AND station = new_station FOR UPDATE;
    IF held IS NOT NULL THEN
        RAISE EXCEPTION 'station % of site % has the role % already: remove-station first',
            new_station, new_site, held;
    END IF;
    INSERT INTO sites (site) VALUES (new_site) ON CONFLICT DO NOTHING;
    INSERT INTO stations (site, station, role) VALUES (new_site, new_station, new_role)
        ON CONFLICT (site, station) DO UPDATE SET role = excluded.role;
    EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L', new_role, verifier);
    PERFORM fleet_grant_station(new_role);
END $$;

-- The station row and its log rows stay; the role's rights go at once, also
-- for a session it still holds.
CREATE FUNCTION fleet_remove_station(old_site text, old_station text) RETURNS text
LANGUAGE plpgsql AS $$
DECLARE
    held text;
BEGIN
    SELECT role INTO held FROM stations WHERE site = old_site AND station = old_station FOR UPDATE;
    IF held IS NULL THEN
        RAISE EXCEPTION 'station % of site % has no role', old_station, old_site;
    END IF;
    UPDATE stations SET role = NULL WHERE site = old_site AND station = old_station;
    EXECUTE format('REVOKE ALL ON ALL TABLES IN SCHEMA public FROM %I', held);
    EXECUTE format('DROP ROLE %I', held);
    RETURN held;
END $$;

REVOKE EXECUTE ON FUNCTION fleet_grant_station(text), fleet_add_station(text, text, text, text),
    fleet_remove_station(text, text), fleet_site_changed(text) FROM PUBLIC;
