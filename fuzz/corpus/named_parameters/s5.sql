set term ^ ;
create trigger t for reten before insert as begin new.jid = gen_id(g, 1); end^