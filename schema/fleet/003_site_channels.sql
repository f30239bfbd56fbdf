-- A change wakes only the stations of its site (LISTEN fleet_site_<md5 of the
-- site>), and a change of every site's master codes all of them (LISTEN
-- fleet_change): a thousand stations are not woken for one site's change.
CREATE OR REPLACE FUNCTION fleet_site_changed(changed text) RETURNS void LANGUAGE plpgsql AS $$
BEGIN
    UPDATE sites SET change_count = change_count + 1 WHERE changed IS NULL OR site = changed;
    IF changed IS NULL THEN
        PERFORM pg_notify('fleet_change', '');
    ELSE
        PERFORM pg_notify('fleet_site_' || md5(changed), '');
    END IF;
END $$;
